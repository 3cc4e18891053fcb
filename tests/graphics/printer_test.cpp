#include "zel/runtime/printer.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "zel/platform/printing.h"
#include "zel/runtime/exception.h"

namespace zel {
namespace {

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

TEST(Printer, PagesBecomeAPdfFile) {
  zel_test::TempDir dir;
  TPrinter p;
  EXPECT_EQ(p.FileName(), u"zel-print.pdf");
  EXPECT_EQ(p.PixelsPerInch(), 300);
  EXPECT_EQ(p.PageWidth(), 2480);  // A4 at 300 pixels per inch
  EXPECT_EQ(p.PageHeight(), 3508);
  p.SetFileName(dir.File("out.pdf"));
  p.BeginDoc();
  EXPECT_TRUE(p.Printing());
  EXPECT_EQ(p.PageNumber(), 1);
  EXPECT_EQ(p.Canvas().PixelsPerInch(), 300);
  EXPECT_EQ(p.Canvas().Font().Height(), -42);  // 10 points at 300 pixels per inch
  EXPECT_EQ(p.Canvas().ClipRect(), Rect(0, 0, 2480, 3508));
  p.Canvas().TextOut(300, 300, u"Page one");
  p.SetPixelsPerInch(600);  // ignored while printing
  EXPECT_EQ(p.PixelsPerInch(), 300);
  p.NewPage();
  EXPECT_EQ(p.PageNumber(), 2);
  EXPECT_EQ(p.Canvas().Pixels(301, 310), clWhite);  // a new page starts white
  p.Canvas().Rectangle(100, 100, 400, 400);
  p.EndDoc();
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(p.Canvas().ClipRect(), Rect(0, 0, 0, 0));
  const std::string pdf = zel_test::TempDir::Read(dir.File("out.pdf"));
  ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
  EXPECT_EQ(Occurrences(pdf, "/Type /Page\n") + Occurrences(pdf, "/Type /Page "), 2u);
  EXPECT_NE(pdf.find("/MediaBox [ 0 0 595.2 841.92 ]"), std::string::npos);
  // Each page is one image of the canvas at full resolution.
  EXPECT_EQ(Occurrences(pdf, "/Width 2480"), 2u);
  EXPECT_EQ(Occurrences(pdf, "/Height 3508"), 2u);
}

TEST(Printer, PaperOrientationAndResolution) {
  TPrinter p;
  p.SetPixelsPerInch(72);
  p.SetPaperSize(2159, 2794);  // US letter
  p.SetOrientation(poLandscape);
  EXPECT_EQ(p.PageWidth(), 792);
  EXPECT_EQ(p.PageHeight(), 612);
  p.SetPixelsPerInch(5);
  EXPECT_EQ(p.PixelsPerInch(), 72);
  p.SetPaperSize(-1, 1000000);
  EXPECT_EQ(p.PageWidth(), 2835);  // 1 m
  EXPECT_EQ(p.PageHeight(), 28);   // 1 cm
}

TEST(Printer, ErrorsAndAbort) {
  zel_test::TempDir dir;
  const String keep = dir.Write("keep.pdf", "earlier");
  TPrinter p;
  p.SetFileName(keep);
  struct Step {
    void (*op)(TPrinter&);
    const char16_t* message;
  } steps[] = {
      {[](TPrinter& q) { q.NewPage(); }, u"Printer is not currently printing"},
      {[](TPrinter& q) { q.EndDoc(); }, u"Printer is not currently printing"},
  };
  for (const Step& s : steps) {
    try {
      s.op(p);
      ADD_FAILURE() << "no exception";
    } catch (const EPrinter& e) {
      EXPECT_EQ(e.Message(), s.message);
    }
  }
  p.BeginDoc();
  try {
    p.BeginDoc();
    ADD_FAILURE() << "no exception";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), u"Printing in progress");
  }
  p.Canvas().Rectangle(0, 0, 10, 10);
  p.Abort();
  EXPECT_TRUE(p.Aborted());
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(zel_test::TempDir::Read(keep), "earlier");
  p.Canvas().Rectangle(0, 0, 10, 10);  // no page: nothing happens
  p.SetFileName(dir.File("missing/dir/x.pdf"));
  EXPECT_THROW(p.BeginDoc(), EFCreateError);
  EXPECT_FALSE(p.Printing());
}

// A device whose writes fail after the first bytes, as a full disk does.
struct FullDisk : platform::NativePrintServices {
  std::unique_ptr<platform::PrintDocument> BeginDocument(const platform::PrintRequest& request,
                                                         std::string& error) override {
    auto budget = std::make_shared<size_t>(200);
    platform::PrintRequest limited = request;
    limited.writer = [writer = request.writer, budget](const uint8_t* data, size_t size) {
      if (size > *budget) return false;
      *budget -= size;
      return writer(data, size);
    };
    return NativePrintServices::BeginDocument(limited, error);
  }
};

TEST(Printer, AFailedWriteLeavesTheEarlierFile) {
  zel_test::TempDir dir;
  const String keep = dir.Write("keep.pdf", "earlier");
  FullDisk full;
  platform::ScopedBackend<platform::PrintServices> guard(&full, &platform::SetPrintingBackend);
  TPrinter p;
  p.SetFileName(keep);
  p.BeginDoc();
  p.Canvas().Rectangle(10, 10, 500, 500);
  try {
    p.EndDoc();
    ADD_FAILURE() << "no exception";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message().rfind(u"Cannot print to file \"" + keep + u"\": ", 0), 0u);
  }
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(zel_test::TempDir::Read(keep), "earlier");
}

TEST(Printer, ProcessPrinterCanBeReplaced) {
  TPrinter mine;
  TPrinter* previous = SetPrinter(&mine);
  EXPECT_EQ(&Printer(), &mine);
  SetPrinter(nullptr);
  EXPECT_EQ(&Printer(), previous);
  EXPECT_TRUE(IsPrinterCanvas(Printer().Canvas()));
}

}  // namespace
}  // namespace zel
