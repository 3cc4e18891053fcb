#include "zel/runtime/printer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "support/wine.h"
#include "zel/platform/printing.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"

#ifdef _WIN32
#include <windows.h>
// After <windows.h>.
#include <winspool.h>

#include "zel/platform/windows/internal/spooler.h"
#endif

namespace zel {
namespace {

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

// The names in `folder`, to see that no temporary is left behind.
std::vector<std::string> Entries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  return names;
}

// A printing device that records what it is given: the requests, and per
// page its size, resolution and the pixel at a probe point. It may report
// a device page (as Windows printers do) and fail a chosen step.
struct Recording : platform::PrintServices {
  struct Page {
    int32_t width, height, stride, pixels_per_inch;
    uint32_t probe;
  };
  std::vector<platform::PrintRequest> requests;
  std::vector<Page> pages;
  int finished = 0, abandoned = 0;
  bool has_device = false;
  platform::PageFormat device;
  int probe_x = 0, probe_y = 0;
  std::string fail;  // "begin", "page" or "finish"
  std::string bytes = "recorded";  // written through the writer on Finish

  struct Document : platform::PrintDocument {
    explicit Document(Recording& r) : rec(r) {}
    ~Document() override {
      if (!done) ++rec.abandoned;
    }
    bool AddPage(const platform::PageImage& page) override {
      if (rec.fail == "page") {
        error = "paper jam";
        return false;
      }
      const uint32_t probe =
          page.pixels[static_cast<size_t>(rec.probe_y) * static_cast<size_t>(page.stride) +
                      static_cast<size_t>(rec.probe_x)];
      rec.pages.push_back({page.width, page.height, page.stride, page.pixels_per_inch, probe});
      return true;
    }
    bool Finish() override {
      if (done) return false;
      done = true;
      if (rec.fail == "finish") {
        error = "out of toner";
        return false;
      }
      const auto& writer = rec.requests.back().writer;
      if (writer && !writer(reinterpret_cast<const uint8_t*>(rec.bytes.data()), rec.bytes.size()))
        return false;
      ++rec.finished;
      return true;
    }
    std::string Error() const override { return error; }
    bool DeviceFormat(platform::PageFormat& format) const override {
      if (rec.has_device) format = rec.device;
      return rec.has_device;
    }
    Recording& rec;
    bool done = false;
    std::string error;
  };

  std::unique_ptr<platform::PrintDocument> BeginDocument(const platform::PrintRequest& request,
                                                         std::string& error) override {
    requests.push_back(request);
    if (fail == "begin") {
      error = "the printer \"" + request.printer + "\" is not installed";
      return nullptr;
    }
    return std::make_unique<Document>(*this);
  }
};

TEST(Printer, PagesBecomeAPdfFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Linux prints PDF files; Windows prints through the spooler (see Spooler*)";
#endif
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
  Recording rec;
  platform::ScopedBackend<platform::PrintServices> guard(&rec, &platform::SetPrintingBackend);
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
  EXPECT_EQ(rec.abandoned, 1);
  EXPECT_EQ(zel_test::TempDir::Read(keep), "earlier");
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"keep.pdf"});
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
#ifdef _WIN32
  GTEST_SKIP() << "the PDF writer is Linux's; Windows: SpoolerFilePort.* fail the file port";
#endif
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

// What BeginDoc asks the device for, and what the device receives per page.
TEST(PrintRequest, CarriesTitlePrinterPaperAndFile) {
  zel_test::TempDir dir;
  Recording rec;
  rec.probe_x = 7;
  rec.probe_y = 3;
  platform::ScopedBackend<platform::PrintServices> guard(&rec, &platform::SetPrintingBackend);
  TPrinter p;
  p.SetTitle(u"Quarterly \u00fcbersicht");
  p.SetPrinterName(u"Office Laser");
  p.SetPaperSize(2159, 2794);
  p.SetOrientation(poLandscape);
  p.SetPixelsPerInch(100);
  p.SetFileName(dir.File("out.bin"));
  p.BeginDoc();
  ASSERT_EQ(rec.requests.size(), 1u);
  const platform::PrintRequest& r = rec.requests[0];
  EXPECT_EQ(r.title, "Quarterly \xc3\xbc" "bersicht");
  EXPECT_EQ(r.printer, "Office Laser");
  EXPECT_EQ(r.paper_width, 2159);
  EXPECT_EQ(r.paper_height, 2794);
  EXPECT_TRUE(r.landscape);
  // The output goes to the replacement's temporary beside the file, never
  // to the file itself.
  ASSERT_FALSE(r.output_path.empty());
  EXPECT_NE(std::filesystem::path(r.output_path).filename(), "out.bin");
  EXPECT_TRUE(std::filesystem::exists(r.output_path));
  EXPECT_TRUE(r.writer != nullptr);
  p.Canvas().SetPixels(7, 3, clRed);
  p.NewPage();
  p.SetPrinterName(u"Other");  // the document keeps its printer
  p.EndDoc();
  ASSERT_EQ(rec.pages.size(), 2u);
  for (const auto& page : rec.pages) {
    EXPECT_EQ(page.width, 1100);  // 279.4 mm at 100 pixels per inch
    EXPECT_EQ(page.height, 850);
    EXPECT_EQ(page.stride, 1100);
    EXPECT_EQ(page.pixels_per_inch, 100);
  }
  EXPECT_EQ(rec.pages[0].probe & 0xFFFFFFu, 0xFF0000u);  // red as 0x00RRGGBB
  EXPECT_EQ(rec.pages[1].probe & 0xFFFFFFu, 0xFFFFFFu);  // the next page starts white
  EXPECT_EQ(rec.finished, 1);
  EXPECT_EQ(zel_test::TempDir::Read(dir.File("out.bin")), "recorded");
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out.bin"});
}

// A device with its own page (a Windows printer) sets resolution and page
// size while its document prints; the printer's settings come back after.
TEST(PrintRequest, TheDevicesPageRulesWhileItsDocumentPrints) {
  struct Case {
    int32_t width, height, ppi_x, ppi_y;  // the device's
    int32_t want_ppi, want_width, want_height;
  } cases[] = {
      {4800, 6600, 600, 600, 600, 4800, 6600},  // 8 x 11 inches printable
      {4800, 13200, 600, 1200, 600, 4800, 6600},  // finer down: drawn at 600
      {2400, 3300, 2400, 2400, 1200, 1200, 1650},  // beyond the canvas's range
      {100, 100, 50, 50, 72, 144, 144},            // below it
      {1, 1, 300, 300, 300, 1, 1},
  };
  for (const Case& c : cases) {
    Recording rec;
    rec.has_device = true;
    rec.device = {c.width, c.height, c.ppi_x, c.ppi_y};
    platform::ScopedBackend<platform::PrintServices> guard(&rec, &platform::SetPrintingBackend);
    zel_test::TempDir dir;
    TPrinter p;
    p.SetFileName(dir.File("x"));
    p.BeginDoc();
    SCOPED_TRACE(c.width);
    EXPECT_EQ(p.PixelsPerInch(), c.want_ppi);
    EXPECT_EQ(p.Canvas().PixelsPerInch(), c.want_ppi);
    EXPECT_EQ(p.PageWidth(), c.want_width);
    EXPECT_EQ(p.PageHeight(), c.want_height);
    EXPECT_EQ(p.Canvas().ClipRect(), Rect(0, 0, c.want_width, c.want_height));
    p.SetPixelsPerInch(96);  // ignored while printing
    p.EndDoc();
    ASSERT_EQ(rec.pages.size(), 1u);
    EXPECT_EQ(rec.pages[0].width, c.want_width);
    EXPECT_EQ(rec.pages[0].pixels_per_inch, c.want_ppi);
    EXPECT_EQ(p.PixelsPerInch(), 300);
    EXPECT_EQ(p.Canvas().PixelsPerInch(), 300);
    EXPECT_EQ(p.PageWidth(), 2480);
  }
}

TEST(PrintRequest, FailuresAreReportedAndAbandonTheDocument) {
  struct Case {
    const char* fail;
    int32_t device_width;  // 0: a device that reports no printable page
    const char16_t* reason;
  } cases[] = {
      {"begin", 100, u"the printer \"Office\" is not installed"},
      {"page", 100, u"paper jam"},
      {"finish", 100, u"out of toner"},
      {"", 0, u"the printer reports no printable page"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fail);
    zel_test::TempDir dir;
    const String keep = dir.Write("keep", "earlier");
    Recording rec;
    rec.fail = c.fail;
    rec.has_device = true;
    rec.device = {c.device_width, 100, 300, 300};
    platform::ScopedBackend<platform::PrintServices> guard(&rec, &platform::SetPrintingBackend);
    TPrinter p;
    p.SetPrinterName(u"Office");
    p.SetFileName(keep);
    try {
      p.BeginDoc();
      p.EndDoc();
      ADD_FAILURE() << "no exception";
    } catch (const EPrinter& e) {
      EXPECT_EQ(e.Message(), u"Cannot print to file \"" + keep + u"\": " + c.reason);
    }
    EXPECT_FALSE(p.Printing());
    EXPECT_EQ(rec.finished, 0);
    EXPECT_EQ(zel_test::TempDir::Read(keep), "earlier");
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"keep"});
    EXPECT_EQ(p.PageWidth(), 2480);  // the printer's own page again
  }
}

// FileName's default, and what an empty one means on each system.
TEST(PrintRequest, FileNameDefaultPerSystem) {
  Recording rec;
  platform::ScopedBackend<platform::PrintServices> guard(&rec, &platform::SetPrintingBackend);
  TPrinter p;
  EXPECT_EQ(p.PrinterName(), u"");
#ifdef _WIN32
  // No file: the printer prints the pages, and errors name no file.
  EXPECT_EQ(p.FileName(), u"");
  p.BeginDoc();
  ASSERT_EQ(rec.requests.size(), 1u);
  EXPECT_EQ(rec.requests[0].output_path, "");
  EXPECT_FALSE(rec.requests[0].writer);
  p.EndDoc();
  EXPECT_EQ(rec.finished, 1);
  rec.fail = "begin";
  try {
    p.BeginDoc();
    ADD_FAILURE() << "no exception";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), u"Cannot print: the printer \"\" is not installed");
  }
#else
  // Documents are PDF files in the current folder unless named.
  EXPECT_EQ(p.FileName(), u"zel-print.pdf");
#endif
}

// Linux has no printers to choose: naming one fails and leaves no file.
TEST(Printer, NamedPrinterOnLinux) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows prints on named printers (see Spooler*)";
#endif
  zel_test::TempDir dir;
  TPrinter p;
  p.SetPrinterName(u"Office");
  p.SetFileName(dir.File("out.pdf"));
  try {
    p.BeginDoc();
    ADD_FAILURE() << "no exception";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), u"Cannot print to file \"" + dir.File("out.pdf") +
                               u"\": no printer named \"Office\" (this system prints to PDF "
                               u"files only)");
  }
  EXPECT_FALSE(p.Printing());
  EXPECT_TRUE(Entries(dir.Path()).empty());
}

}  // namespace
}  // namespace zel
