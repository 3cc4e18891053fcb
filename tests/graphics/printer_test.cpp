#include "zel/runtime/printer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
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
// The system's macros would rename the printer's and canvas's functions.
#undef SetPrinter
#undef TextOut
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
  std::string fail;                // "begin", "page" or "finish"
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
      // As each system's device does: Linux hands the bytes to the writer,
      // the Windows spooler writes the file by its name.
      const platform::PrintRequest& r = rec.requests.back();
      if (r.writer &&
          !r.writer(reinterpret_cast<const uint8_t*>(rec.bytes.data()), rec.bytes.size()))
        return false;
      if (!r.output_path.empty()) {
        std::ofstream out(
            std::filesystem::path(reinterpret_cast<const char8_t*>(r.output_path.c_str())),
            std::ios::binary | std::ios::trunc);
        out << rec.bytes;
        if (!out.flush()) return false;
      }
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
  EXPECT_EQ(r.title,
            "Quarterly \xc3\xbc"
            "bersicht");
  EXPECT_EQ(r.printer, "Office Laser");
  EXPECT_EQ(r.paper_width, 2159);
  EXPECT_EQ(r.paper_height, 2794);
  EXPECT_TRUE(r.landscape);
#ifdef _WIN32
  // The spooler writes the replacement's temporary beside the file by its
  // name, never the file itself.
  ASSERT_FALSE(r.output_path.empty());
  EXPECT_NE(std::filesystem::path(r.output_path).filename(), "out.bin");
  EXPECT_TRUE(std::filesystem::exists(r.output_path));
  EXPECT_FALSE(r.writer);
#else
  // The bytes go through the replacement stream.
  EXPECT_EQ(r.output_path, "");
  EXPECT_TRUE(r.writer);
#endif
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
      {4800, 6600, 600, 600, 600, 4800, 6600},     // 8 x 11 inches printable
      {4800, 13200, 600, 1200, 600, 4800, 6600},   // finer down: drawn at 600
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

#ifdef _WIN32
// The spooler and printer device, scripted: every call is logged in order,
// one chosen call fails with a chosen Windows error, and EndDoc writes the
// job into the output file as the spooler's file port does.
struct ScriptedSpooler : platform::windows::Spooler {
  std::vector<std::string> log;
  std::string fail;  // the call that fails
  DWORD fail_code = ERROR_ACCESS_DENIED;
  std::wstring default_printer = L"Office Laser";  // empty: none
  std::vector<std::wstring> installed = {L"Office Laser", L"Label Writer"};
  int ppi_x = 600, ppi_y = 600, horzres = 4800, vertres = 6600;
  DEVMODEW settings{};  // what CreateDCW received
  bool got_settings = false;
  std::wstring output;                       // DOCINFOW::lpszOutput
  std::string spooled = "%!PS-Adobe-3.0\n";  // what the file port writes
  int running_looks = 0;                     // GetJobW finds the job running this often
  DWORD final_status = 0;                    // then this status (0: the job is gone)
  int probe_x = 0, probe_y = 0;
  std::vector<uint32_t> probes;  // the probe pixel of each page

  static HDC Dc() { return reinterpret_cast<HDC>(uintptr_t{0x5D0C}); }
  static HANDLE Handle() { return reinterpret_cast<HANDLE>(uintptr_t{0x9A7}); }
  bool Fails(const char* call) {
    if (fail != call) return false;
    ::SetLastError(fail_code);
    return true;
  }
  static std::string U8(const wchar_t* s) {
    return s == nullptr ? "(null)" : StringToUtf8(String(s, s + wcslen(s)));
  }

  BOOL GetDefaultPrinterW(wchar_t* buffer, DWORD* size) override {
    log.push_back("GetDefaultPrinterW");
    if (default_printer.empty()) {
      ::SetLastError(ERROR_FILE_NOT_FOUND);
      return FALSE;
    }
    const DWORD need = static_cast<DWORD>(default_printer.size() + 1);
    if (buffer == nullptr || *size < need) {
      *size = need;
      ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    std::memcpy(buffer, default_printer.c_str(), need * sizeof(wchar_t));
    *size = need;
    return TRUE;
  }
  BOOL OpenPrinterW(const wchar_t* name, HANDLE* printer) override {
    log.push_back("OpenPrinterW " + U8(name));
    if (Fails("OpenPrinterW")) return FALSE;
    for (const auto& p : installed)
      if (p == name) {
        *printer = Handle();
        return TRUE;
      }
    ::SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  BOOL ClosePrinter(HANDLE printer) override {
    log.push_back(printer == Handle() ? "ClosePrinter" : "ClosePrinter BAD");
    return TRUE;
  }
  LONG DocumentPropertiesW(HANDLE printer, const wchar_t*, DEVMODEW* out, const DEVMODEW* in,
                           DWORD mode) override {
    constexpr LONG kSize = sizeof(DEVMODEW) + 16;  // with the driver's own part
    if (printer != Handle()) return -1;
    if (mode == 0) {
      log.push_back("DocumentPropertiesW size");
      return Fails("DocumentPropertiesW") ? -1 : kSize;
    }
    if (in == nullptr) {
      log.push_back("DocumentPropertiesW get");
      std::memset(out, 0, kSize);
      out->dmSize = sizeof(DEVMODEW);
      out->dmDriverExtra = 16;
      out->dmFields = DM_ORIENTATION | DM_PAPERSIZE;
      out->dmOrientation = DMORIENT_PORTRAIT;
      out->dmPaperSize = DMPAPER_LETTER;
      return IDOK;
    }
    log.push_back("DocumentPropertiesW set");
    std::memcpy(out, in, kSize);
    return IDOK;
  }
  BOOL GetJobW(HANDLE printer, DWORD id, DWORD level, BYTE* buffer, DWORD size,
               DWORD* needed) override {
    log.push_back("GetJobW");
    if (printer != Handle() || id != 17 || level != 1) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    DWORD status = final_status;
    if (running_looks > 0) {
      --running_looks;
      status = JOB_STATUS_PRINTING;
    } else if (final_status == 0) {
      ::SetLastError(ERROR_INVALID_PARAMETER);  // the job is gone
      return FALSE;
    }
    *needed = sizeof(JOB_INFO_1W);
    if (size < sizeof(JOB_INFO_1W)) {
      ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    JOB_INFO_1W info{};
    info.JobId = id;
    info.Status = status;
    std::memcpy(buffer, &info, sizeof info);
    return TRUE;
  }
  HDC CreateDCW(const wchar_t* device, const DEVMODEW* mode) override {
    log.push_back("CreateDCW " + U8(device));
    if (Fails("CreateDCW")) return nullptr;
    got_settings = mode != nullptr;
    if (mode != nullptr) settings = *mode;
    return Dc();
  }
  BOOL DeleteDC(HDC dc) override {
    log.push_back(dc == Dc() ? "DeleteDC" : "DeleteDC BAD");
    return TRUE;
  }
  int GetDeviceCaps(HDC, int index) override {
    switch (index) {
      case LOGPIXELSX:
        return ppi_x;
      case LOGPIXELSY:
        return ppi_y;
      case HORZRES:
        return horzres;
      case VERTRES:
        return vertres;
      default:
        return 0;
    }
  }
  int StartDocW(HDC, const DOCINFOW* info) override {
    output = info->lpszOutput != nullptr ? info->lpszOutput : L"";
    log.push_back("StartDocW " + U8(info->lpszDocName) +
                  (info->lpszOutput != nullptr ? " to a file" : ""));
    if (Fails("StartDocW")) return SP_ERROR;
    return 17;  // the job
  }
  int StartPage(HDC) override {
    log.push_back("StartPage");
    return Fails("StartPage") ? SP_ERROR : 1;
  }
  int StretchDIBits(HDC, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                    const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) override {
    const BITMAPINFOHEADER& b = info->bmiHeader;
    const bool right = b.biSize == sizeof b && b.biWidth == sw && b.biHeight == -sh &&
                       b.biPlanes == 1 && b.biBitCount == 32 && b.biCompression == BI_RGB &&
                       usage == DIB_RGB_COLORS && rop == SRCCOPY && sx == 0 && sy == 0;
    log.push_back("StretchDIBits " + std::to_string(x) + "," + std::to_string(y) + " " +
                  std::to_string(w) + "x" + std::to_string(h) + " <- " + std::to_string(sw) + "x" +
                  std::to_string(sh) + (right ? "" : " BAD"));
    if (Fails("StretchDIBits")) return 0;
    probes.push_back(
        static_cast<const uint32_t*>(bits)[static_cast<size_t>(probe_y) * sw + probe_x]);
    return sh;
  }
  int EndPage(HDC) override {
    log.push_back("EndPage");
    return Fails("EndPage") ? SP_ERROR : 1;
  }
  int EndDoc(HDC) override {
    log.push_back("EndDoc");
    if (Fails("EndDoc")) return SP_ERROR;
    if (!output.empty()) {
      // The file port writes the job (over what the file held).
      const HANDLE h = ::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_ALWAYS, 0, nullptr);
      if (h == INVALID_HANDLE_VALUE) {
        log.push_back("EndDoc cannot write the file");
        return SP_ERROR;
      }
      DWORD n = 0;
      ::WriteFile(h, spooled.data(), static_cast<DWORD>(spooled.size()), &n, nullptr);
      ::CloseHandle(h);
    }
    return 1;
  }
  int AbortDoc(HDC) override {
    log.push_back("AbortDoc");
    return 1;
  }
  void Pause(DWORD) override { log.push_back("Pause"); }
};

// Installs a script for the scope.
struct ScopedSpooler {
  explicit ScopedSpooler(ScriptedSpooler& s) : previous(platform::windows::SetSpooler(&s)) {}
  ~ScopedSpooler() { platform::windows::SetSpooler(previous); }
  platform::windows::Spooler* previous;
};

using Log = std::vector<std::string>;

const Log kOpenDefault = {"GetDefaultPrinterW",        "GetDefaultPrinterW",
                          "OpenPrinterW Office Laser", "DocumentPropertiesW size",
                          "DocumentPropertiesW get",   "DocumentPropertiesW set",
                          "CreateDCW Office Laser"};

Log Joined(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(Spooler, PrintsEachPageAtThePrintersResolutionInOrder) {
  ScriptedSpooler script;
  script.probe_x = 10;
  script.probe_y = 20;
  ScopedSpooler guard(script);
  TPrinter p;
  EXPECT_EQ(p.FileName(), u"");
  p.SetTitle(u"Report");
  p.BeginDoc();
  // The printer's page: 600 pixels per inch over its 8 x 11 inch printable
  // area.
  EXPECT_EQ(p.PixelsPerInch(), 600);
  EXPECT_EQ(p.Canvas().PixelsPerInch(), 600);
  EXPECT_EQ(p.PageWidth(), 4800);
  EXPECT_EQ(p.PageHeight(), 6600);
  EXPECT_EQ(p.Canvas().Font().Height(), -83);  // 10 points at 600 pixels per inch
  p.Canvas().SetPixels(10, 20, clBlue);
  p.NewPage();
  p.Canvas().SetPixels(10, 20, clLime);
  p.EndDoc();
  const std::string page = "StretchDIBits 0,0 4800x6600 <- 4800x6600";
  EXPECT_EQ(script.log, Joined({kOpenDefault,
                                {"StartDocW Report", "StartPage", page, "EndPage", "StartPage",
                                 page, "EndPage", "EndDoc", "DeleteDC", "ClosePrinter"}}));
  ASSERT_EQ(script.probes.size(), 2u);
  EXPECT_EQ(script.probes[0] & 0xFFFFFFu, 0x0000FFu);  // blue, as the device reads 32-bit DIBs
  EXPECT_EQ(script.probes[1] & 0xFFFFFFu, 0x00FF00u);
  // The printer's settings asked for A4 portrait.
  ASSERT_TRUE(script.got_settings);
  EXPECT_EQ(script.settings.dmPaperSize, DMPAPER_A4);
  EXPECT_EQ(script.settings.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_NE(script.settings.dmFields & DM_PAPERSIZE, 0u);
  EXPECT_EQ(script.settings.dmFields & (DM_PAPERWIDTH | DM_PAPERLENGTH), 0u);
  // Back to the printer's own settings.
  EXPECT_EQ(p.PixelsPerInch(), 300);
  EXPECT_EQ(p.PageWidth(), 2480);
  EXPECT_FALSE(p.Aborted());
}

TEST(Spooler, NamedPrinterPaperAndOrientation) {
  struct Case {
    int32_t width, height;
    TPrinterOrientation orientation;
    short paper;  // 0: a size of its own
    short orient;
  } cases[] = {
      {2159, 2794, poLandscape, DMPAPER_LETTER, DMORIENT_LANDSCAPE},
      {2970, 4200, poPortrait, DMPAPER_A3, DMORIENT_PORTRAIT},
      {1000, 1500, poLandscape, 0, DMORIENT_LANDSCAPE},
  };
  for (const Case& c : cases) {
    ScriptedSpooler script;
    script.ppi_x = 300;
    script.ppi_y = 600;  // finer down: drawn at 300, stretched to the device
    script.horzres = 3000;
    script.vertres = 4000;
    ScopedSpooler guard(script);
    TPrinter p;
    p.SetPrinterName(u"Label Writer");
    p.SetPaperSize(c.width, c.height);
    p.SetOrientation(c.orientation);
    p.BeginDoc();
    EXPECT_EQ(p.PixelsPerInch(), 300);
    EXPECT_EQ(p.PageWidth(), 3000);
    EXPECT_EQ(p.PageHeight(), 2000);
    p.EndDoc();
    SCOPED_TRACE(c.width);
    EXPECT_EQ(script.log, (Log{"OpenPrinterW Label Writer", "DocumentPropertiesW size",
                               "DocumentPropertiesW get", "DocumentPropertiesW set",
                               "CreateDCW Label Writer", "StartDocW zel document", "StartPage",
                               "StretchDIBits 0,0 3000x4000 <- 3000x2000", "EndPage", "EndDoc",
                               "DeleteDC", "ClosePrinter"}));
    EXPECT_EQ(script.settings.dmOrientation, c.orient);
    if (c.paper != 0) {
      EXPECT_EQ(script.settings.dmPaperSize, c.paper);
    } else {
      EXPECT_EQ(script.settings.dmFields & (DM_PAPERWIDTH | DM_PAPERLENGTH),
                static_cast<DWORD>(DM_PAPERWIDTH | DM_PAPERLENGTH));
      EXPECT_EQ(script.settings.dmFields & DM_PAPERSIZE, 0u);
      EXPECT_EQ(script.settings.dmPaperWidth, c.width);
      EXPECT_EQ(script.settings.dmPaperLength, c.height);
    }
  }
}

TEST(Spooler, AbortAndDestructionCancelTheJob) {
  for (bool destroy : {false, true}) {
    ScriptedSpooler script;
    ScopedSpooler guard(script);
    {
      TPrinter p;
      p.BeginDoc();
      p.NewPage();
      if (!destroy) {
        p.Abort();
        EXPECT_TRUE(p.Aborted());
        p.Abort();  // a second time does nothing
      }
    }
    EXPECT_EQ(script.log, Joined({kOpenDefault,
                                  {"StartDocW zel document", "StartPage",
                                   "StretchDIBits 0,0 4800x6600 <- 4800x6600", "EndPage",
                                   "AbortDoc", "DeleteDC", "ClosePrinter"}}));
  }
}

TEST(Spooler, NoPrinterInstalledOrNamed) {
  struct Case {
    const char16_t* name;
    bool no_default;
    const char16_t* message;
    Log log;
  } cases[] = {
      {u"", true, u"Cannot print: no printer is installed", {"GetDefaultPrinterW"}},
      {u"Nowhere",
       false,
       u"Cannot print: the printer \"Nowhere\" is not installed",
       {"OpenPrinterW Nowhere"}},
      {u"Office Laser", true, nullptr, {}},  // named: no default needed
  };
  for (const Case& c : cases) {
    ScriptedSpooler script;
    if (c.no_default) script.default_printer.clear();
    ScopedSpooler guard(script);
    TPrinter p;
    p.SetPrinterName(c.name);
    if (c.message == nullptr) {
      p.BeginDoc();
      p.Abort();
      continue;
    }
    try {
      p.BeginDoc();
      ADD_FAILURE() << "no exception";
    } catch (const EPrinter& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_FALSE(p.Printing());
    EXPECT_EQ(script.log, c.log);
  }
}

// Each call failing in turn: the message names it with the system's reason,
// the job is cancelled once it started, and every handle is released.
TEST(Spooler, EveryFailingStepIsReported) {
  const std::string page = "StretchDIBits 0,0 4800x6600 <- 4800x6600";
  struct Case {
    const char* call;
    const char* step;
    Log tail;  // the calls from the failing one on
  } cases[] = {
      {"OpenPrinterW", "OpenPrinter", {"OpenPrinterW Office Laser"}},
      {"DocumentPropertiesW", "DocumentProperties", {"DocumentPropertiesW size", "ClosePrinter"}},
      {"CreateDCW", "CreateDC", {"CreateDCW Office Laser", "ClosePrinter"}},
      {"StartDocW", "StartDoc", {"StartDocW zel document", "DeleteDC", "ClosePrinter"}},
      {"StartPage", "StartPage", {"StartPage", "AbortDoc", "DeleteDC", "ClosePrinter"}},
      {"StretchDIBits", "StretchDIBits", {page, "AbortDoc", "DeleteDC", "ClosePrinter"}},
      {"EndPage", "EndPage", {"EndPage", "AbortDoc", "DeleteDC", "ClosePrinter"}},
      {"EndDoc", "EndDoc", {"EndDoc", "AbortDoc", "DeleteDC", "ClosePrinter"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    ScriptedSpooler script;
    script.fail = c.call;
    ScopedSpooler guard(script);
    TPrinter p;
    try {
      p.BeginDoc();
      p.EndDoc();
      ADD_FAILURE() << "no exception";
    } catch (const EPrinter& e) {
      const std::string text = StringToUtf8(e.Message());
      const std::string start = std::string("Cannot print: ") + c.step + " failed: ";
      EXPECT_EQ(text.rfind(start, 0), 0u) << text;
      // The system's text for ERROR_ACCESS_DENIED ("Access denied" or "Access is denied").
      EXPECT_NE(text.find("ccess"), std::string::npos) << text;
      EXPECT_EQ(text.find("Windows error"), std::string::npos) << text;
    }
    EXPECT_FALSE(p.Printing());
    EXPECT_TRUE(p.Aborted() || std::string(c.call) != "EndDoc");
    ASSERT_GE(script.log.size(), c.tail.size());
    EXPECT_EQ(Log(script.log.end() - static_cast<ptrdiff_t>(c.tail.size()), script.log.end()),
              c.tail);
  }
  // A job cancelled at the printer says so.
  ScriptedSpooler script;
  script.fail = "EndPage";
  script.fail_code = ERROR_CANCELLED;
  ScopedSpooler guard(script);
  TPrinter p;
  p.BeginDoc();
  try {
    p.EndDoc();
    ADD_FAILURE() << "no exception";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), u"Cannot print: EndPage failed: the print job was cancelled");
  }
}

// Output into a file through the file port: the spooler writes the
// replacement's temporary, which takes the file's place after EndDoc.
TEST(SpoolerFilePort, TheJobReplacesTheFileWhole) {
  zel_test::TempDir dir;
  const String out = dir.Write("out.ps", "earlier");
  ScriptedSpooler script;
  script.running_looks = 2;  // still writing at the first two looks
  script.spooled = "%!PS-Adobe-3.0\n%%Pages: 1\n";
  ScopedSpooler guard(script);
  TPrinter p;
  p.SetFileName(out);
  p.BeginDoc();
  // An absolute name beside the file, not the file.
  const std::filesystem::path spool(script.output);
  EXPECT_TRUE(spool.is_absolute());
  EXPECT_EQ(spool.parent_path(), std::filesystem::absolute(dir.Path()));
  EXPECT_NE(spool.filename(), "out.ps");
  EXPECT_EQ(zel_test::TempDir::Read(out), "earlier");
  p.EndDoc();
  EXPECT_EQ(zel_test::TempDir::Read(out), script.spooled);
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out.ps"});
  EXPECT_EQ(script.log,
            Joined({kOpenDefault,
                    {"StartDocW zel document to a file", "StartPage",
                     "StretchDIBits 0,0 4800x6600 <- 4800x6600", "EndPage", "EndDoc", "GetJobW",
                     "Pause", "GetJobW", "Pause", "GetJobW", "DeleteDC", "ClosePrinter"}}));
}

// How the job ends decides the file: replaced when the job was written,
// left as it was otherwise.
TEST(SpoolerFilePort, TheJobsEndDecidesTheFile) {
  struct Case {
    const char* name;
    const char* fail;
    DWORD final_status;
    int running_looks;
    std::string spooled;
    const char16_t* reason;  // nullptr: the step's failure; "": success
  } cases[] = {
      {"EndDoc fails", "EndDoc", 0, 0, "x", nullptr},
      {"the job fails", "", JOB_STATUS_ERROR, 1, "x",
       u"the printer could not write the file (job status 2)"},
      {"the job is still running after five minutes", "", 0, 1000000, "x",
       u"the printer did not finish writing the file"},
      {"an empty file", "", JOB_STATUS_PRINTED, 0, "", u"the printer wrote nothing into the file"},
      {"the job is cancelled", "", JOB_STATUS_DELETING, 0, "x",
       u"the printer could not write the file (job status 4)"},
      {"the job is printed and being deleted", "", JOB_STATUS_PRINTED | JOB_STATUS_DELETING, 0, "x",
       u""},
      {"the job is complete", "", JOB_STATUS_COMPLETE, 3, "x", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zel_test::TempDir dir;
    const String out = dir.Write("out.ps", "earlier");
    ScriptedSpooler script;
    script.fail = c.fail;
    script.final_status = c.final_status;
    script.running_looks = c.running_looks;
    script.spooled = c.spooled;
    ScopedSpooler guard(script);
    TPrinter p;
    p.SetFileName(out);
    p.BeginDoc();
    if (c.reason != nullptr && *c.reason == u'\0') {
      p.EndDoc();
      EXPECT_EQ(zel_test::TempDir::Read(out), "x");
      EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out.ps"});
      continue;
    }
    try {
      p.EndDoc();
      ADD_FAILURE() << "no exception";
    } catch (const EPrinter& e) {
      const String start = u"Cannot print to file \"" + out + u"\": ";
      if (c.reason != nullptr) {
        EXPECT_EQ(e.Message(), start + c.reason);
      } else {
        EXPECT_EQ(e.Message().rfind(start + u"EndDoc failed: ", 0), 0u);
      }
    }
    EXPECT_EQ(zel_test::TempDir::Read(out), "earlier");
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out.ps"});
    EXPECT_EQ(script.log.back(), "ClosePrinter");
  }
}
#endif  // _WIN32

#ifdef _WIN32
// Wine's own printing: its PostScript driver (wineps.drv) with a PPD written
// here, as a printer on the FILE: port, installed into the test's Wine
// prefix for the test and removed after it. Wine 8 has no printer of its
// own without a CUPS server.
class WinePostScriptPrinter {
 public:
  static constexpr const wchar_t* kName = L"zel test printer";
  static constexpr const wchar_t* kDriver = L"zel test PostScript driver";

  WinePostScriptPrinter() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    ppd_ = std::wstring(temp, n) + L"zel-test-printer.ppd";
    const HANDLE f =
        ::CreateFileW(ppd_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (f == INVALID_HANDLE_VALUE ||
        !::WriteFile(f, kPpd, static_cast<DWORD>(std::strlen(kPpd)), &written, nullptr)) {
      why_ = "cannot write the PPD file";
      if (f != INVALID_HANDLE_VALUE) ::CloseHandle(f);
      return;
    }
    ::CloseHandle(f);
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(kDriver);
    driver.pEnvironment = const_cast<wchar_t*>(L"Windows x64");
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = ppd_.data();
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    if (!::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                               APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY)) {
      why_ = "AddPrinterDriverExW failed with " + std::to_string(::GetLastError());
      return;
    }
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(kName);
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(kDriver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    const HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (printer == nullptr && ::GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
      why_ = "AddPrinterW failed with " + std::to_string(::GetLastError());
      return;
    }
    if (printer != nullptr) ::ClosePrinter(printer);
    installed_ = true;
  }

  ~WinePostScriptPrinter() {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (installed_ && ::OpenPrinterW(const_cast<wchar_t*>(kName), &printer, &all)) {
      ::DeletePrinter(printer);
      ::ClosePrinter(printer);
    }
    ::DeletePrinterDriverW(nullptr, const_cast<wchar_t*>(L"Windows x64"),
                           const_cast<wchar_t*>(kDriver));
    ::DeleteFileW(ppd_.c_str());
  }

  bool Installed() const { return installed_; }
  const std::string& Why() const { return why_; }

 private:
  // A colour PostScript printer with A4 and Letter paper and 18 / 36 point
  // margins.
  static constexpr const char* kPpd =
      "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
      "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"ZELTEST.PPD\"\n"
      "*Manufacturer: \"zel\"\n*Product: \"(zel test)\"\n*ModelName: \"zel test printer\"\n"
      "*ShortNickName: \"zel test printer\"\n*NickName: \"zel test printer\"\n"
      "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n"
      "*DefaultColorSpace: RGB\n*FileSystem: False\n*Throughput: \"1\"\n"
      "*LandscapeOrientation: Plus90\n*TTRasterizer: Type42\n*DefaultResolution: 300dpi\n"
      "*OpenUI *PageSize: PickOne\n*DefaultPageSize: A4\n"
      "*PageSize A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
      "*PageSize Letter/US Letter: \"<</PageSize[612 792]/ImagingBBox null>>setpagedevice\"\n"
      "*CloseUI: *PageSize\n*OpenUI *PageRegion: PickOne\n*DefaultPageRegion: A4\n"
      "*PageRegion A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
      "*PageRegion Letter/US Letter: \"<</PageSize[612 792]/ImagingBBox null>>setpagedevice\"\n"
      "*CloseUI: *PageRegion\n*DefaultImageableArea: A4\n"
      "*ImageableArea A4/A4: \"18 36 577 806\"\n"
      "*ImageableArea Letter/US Letter: \"18 36 594 756\"\n*DefaultPaperDimension: A4\n"
      "*PaperDimension A4/A4: \"595 842\"\n*PaperDimension Letter/US Letter: \"612 792\"\n";
  std::wstring ppd_;
  bool installed_ = false;
  std::string why_;
};

TEST(WinePrinting, APrinterWritesItsPostScriptIntoTheFile) {
  if (!zel_test::UnderWine())
    GTEST_SKIP() << "installs a printer into the system: runs under Wine only";
  WinePostScriptPrinter installed;
  if (!installed.Installed()) GTEST_SKIP() << "Wine's printing is missing: " << installed.Why();
  struct Case {
    TPrinterOrientation orientation;
    int32_t paper_w, paper_h;
  } cases[] = {{poPortrait, 2100, 2970}, {poLandscape, 2100, 2970}, {poPortrait, 2159, 2794}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.paper_w * 10 + c.orientation);
    zel_test::TempDir dir;
    const String out = dir.Write("page.ps", "earlier");
    TPrinter p;
    p.SetPrinterName(u"zel test printer");
    p.SetFileName(out);
    p.SetOrientation(c.orientation);
    p.SetPaperSize(c.paper_w, c.paper_h);
    p.BeginDoc();
    // The printable area at the driver's 300 pixels per inch: the paper
    // less 18 points each side across and 36 down (turned in landscape).
    const int32_t w = c.paper_w == 2100 ? 2329 : 2400, h = c.paper_w == 2100 ? 3208 : 3000;
    EXPECT_EQ(p.PixelsPerInch(), 300);
    if (c.orientation == poPortrait) {
      EXPECT_EQ(p.PageWidth(), w);
      EXPECT_EQ(p.PageHeight(), h);
    } else {
      EXPECT_GT(p.PageWidth(), p.PageHeight());
    }
    p.Canvas().Brush().SetColor(clRed);
    p.Canvas().Rectangle(100, 100, 700, 400);
    p.NewPage();
    p.Canvas().Rectangle(100, 100, 700, 400);
    EXPECT_EQ(zel_test::TempDir::Read(out), "earlier");  // until EndDoc
    p.EndDoc();
    const std::string ps = zel_test::TempDir::Read(out);
    EXPECT_EQ(ps.rfind("%!PS-Adobe-3.0", 0), 0u) << ps.substr(0, 40);
    EXPECT_EQ(Occurrences(ps, "%%Page: "), 2u);
    EXPECT_NE(ps.find("%%EOF"), std::string::npos);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"page.ps"});
  }
  // An abandoned job leaves the earlier file.
  zel_test::TempDir dir;
  const String out = dir.Write("page.ps", "earlier");
  TPrinter p;
  p.SetPrinterName(u"zel test printer");
  p.SetFileName(out);
  p.BeginDoc();
  p.Canvas().Rectangle(100, 100, 700, 400);
  p.Abort();
  EXPECT_EQ(zel_test::TempDir::Read(out), "earlier");
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"page.ps"});
}

TEST(WinePrinting, NoPrinterInstalledOrNamed) {
  if (!zel_test::UnderWine())
    GTEST_SKIP() << "needs a system without the printer names used here: runs under Wine only";
  TPrinter p;
  p.SetPrinterName(u"zel no such printer");
  try {
    p.BeginDoc();
    ADD_FAILURE() << "no exception";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), u"Cannot print: the printer \"zel no such printer\" is not installed");
  }
  wchar_t name[256];
  DWORD size = 256;
  if (::GetDefaultPrinterW(name, &size)) GTEST_SKIP() << "this Wine prefix has a default printer";
  p.SetPrinterName(u"");
  try {
    p.BeginDoc();
    ADD_FAILURE() << "no exception";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), u"Cannot print: no printer is installed");
  }
  EXPECT_FALSE(p.Printing());
}
#endif  // _WIN32

}  // namespace
}  // namespace zel
