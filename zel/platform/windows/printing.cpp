// Printing through the Windows print spooler: a printer device context for
// the default or a named printer, one StretchDIBits of the page image per
// page, and the spooler's file port for output into a file. Every call goes
// through the scriptable table of internal/spooler.h.
#include "zel/platform/printing.h"

#include <cstring>
#include <vector>

#include "zel/platform/windows/internal/spooler.h"
#include "zel/platform/windows/internal/win32.h"
// After <windows.h>, which win32.h includes.
#include <winspool.h>

namespace zel::platform {
namespace {

using windows::Narrow;
using windows::Spooler;
using windows::SpoolerCalls;
using windows::SystemMessage;
using windows::Widen;

// "<step> failed: <the system's reason>", for the error just left by step.
std::string StepError(const char* step) {
  const DWORD code = ::GetLastError();
  std::string text = std::string(step) + " failed";
  if (code == ERROR_CANCELLED) return text + ": the print job was cancelled";
  if (code != 0) text += ": " + SystemMessage(code);
  return text;
}

// The paper sizes the printer settings know by number (tenths of mm).
struct KnownPaper {
  int32_t width, height;
  short code;
};
constexpr KnownPaper kPapers[] = {
    {2100, 2970, DMPAPER_A4},     {2970, 4200, DMPAPER_A3},    {1480, 2100, DMPAPER_A5},
    {2159, 2794, DMPAPER_LETTER}, {2159, 3556, DMPAPER_LEGAL},
};

// How long a job writing into a file may take before the print fails, in
// looks 50 ms apart (five minutes).
constexpr int kJobLooks = 6000;
constexpr DWORD kJobPause = 50;

class SpoolerDocument final : public PrintDocument {
 public:
  ~SpoolerDocument() override { Close(); }

  // Opens the printer, gets its settings for the request's paper, makes its
  // device context and starts the job; false with the reason in Error().
  bool Start(const PrintRequest& request) {
    Spooler& sp = SpoolerCalls();
    if (request.printer.empty()) {
      if (!DefaultPrinter()) return false;
    } else if (!Widen(request.printer, name_)) {
      error_ = "the printer name is not valid text";
      return false;
    }
    if (!sp.OpenPrinterW(name_.c_str(), &printer_)) {
      const DWORD code = ::GetLastError();
      printer_ = nullptr;
      if (code == ERROR_INVALID_PRINTER_NAME || code == ERROR_INVALID_NAME ||
          code == ERROR_FILE_NOT_FOUND)
        error_ = request.printer.empty()
                     ? "the default printer \"" + Narrow(name_) + "\" is not installed"
                     : "the printer \"" + request.printer + "\" is not installed";
      else
        error_ = (::SetLastError(code), StepError("OpenPrinter"));
      return false;
    }
    std::vector<BYTE> settings;
    if (!Settings(request, settings)) return false;
    dc_ = sp.CreateDCW(name_.c_str(), reinterpret_cast<const DEVMODEW*>(settings.data()));
    if (dc_ == nullptr) {
      error_ = StepError("CreateDC");
      return false;
    }
    // The printable area (the device's (0, 0) is its top left corner).
    format_.width = sp.GetDeviceCaps(dc_, HORZRES);
    format_.height = sp.GetDeviceCaps(dc_, VERTRES);
    format_.pixels_per_inch_x = sp.GetDeviceCaps(dc_, LOGPIXELSX);
    format_.pixels_per_inch_y = sp.GetDeviceCaps(dc_, LOGPIXELSY);
    if (format_.width <= 0 || format_.height <= 0 || format_.pixels_per_inch_x <= 0 ||
        format_.pixels_per_inch_y <= 0) {
      error_ = "the printer reports no printable page";
      return false;
    }
    std::wstring title, output, wide;
    if (!Widen(request.title, title)) title = L"zel document";
    if (!request.output_path.empty()) {
      // The spooler may write from another process: an absolute name.
      if (!windows::WidePath(request.output_path, wide) || !windows::FullPathName(wide, output)) {
        error_ = "the output file name is not valid";
        return false;
      }
      output_ = output;
    }
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = title.c_str();
    info.lpszOutput = output.empty() ? nullptr : output.c_str();
    const int job = sp.StartDocW(dc_, &info);
    if (job <= 0) {
      error_ = StepError("StartDoc");
      return false;
    }
    job_ = static_cast<DWORD>(job);
    started_ = true;
    return true;
  }

  bool AddPage(const PageImage& page) override {
    if (!started_ || finished_ || page.width <= 0 || page.height <= 0 || page.pixels == nullptr ||
        page.pixels_per_inch <= 0 || page.stride < page.width) {
      error_ = "invalid page";
      return false;
    }
    Spooler& sp = SpoolerCalls();
    if (sp.StartPage(dc_) <= 0) return Abandon("StartPage");
    // The rows as one top-down 32-bit image (0x00RRGGBB is blue, green, red
    // in memory, as the device reads it).
    const uint32_t* bits = page.pixels;
    std::vector<uint32_t> packed;
    if (page.stride != page.width) {
      packed.resize(static_cast<size_t>(page.width) * static_cast<size_t>(page.height));
      for (int32_t y = 0; y < page.height; ++y)
        std::memcpy(&packed[static_cast<size_t>(y) * static_cast<size_t>(page.width)],
                    page.pixels + static_cast<ptrdiff_t>(y) * page.stride,
                    static_cast<size_t>(page.width) * sizeof(uint32_t));
      bits = packed.data();
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = page.width;
    info.bmiHeader.biHeight = -page.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int rows = sp.StretchDIBits(dc_, 0, 0, format_.width, format_.height, 0, 0, page.width,
                                      page.height, bits, &info, DIB_RGB_COLORS, SRCCOPY);
    if (rows == 0 || rows == static_cast<int>(GDI_ERROR)) return Abandon("StretchDIBits");
    if (sp.EndPage(dc_) <= 0) return Abandon("EndPage");
    return true;
  }

  bool Finish() override {
    if (!started_ || finished_) return false;
    finished_ = true;
    Spooler& sp = SpoolerCalls();
    if (sp.EndDoc(dc_) <= 0) return Abandon("EndDoc");
    started_ = false;
    if (!output_.empty() && !AwaitFile()) return false;
    return true;
  }

  std::string Error() const override { return error_; }

  bool DeviceFormat(PageFormat& format) const override {
    format = format_;
    return true;
  }

 private:
  bool DefaultPrinter() {
    Spooler& sp = SpoolerCalls();
    DWORD size = 0;
    sp.GetDefaultPrinterW(nullptr, &size);
    for (int attempt = 0; attempt < 3; ++attempt) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_FILE_NOT_FOUND || (code != ERROR_INSUFFICIENT_BUFFER && size == 0)) {
        error_ = "no printer is installed";
        return false;
      }
      std::wstring buffer(size, L'\0');
      if (sp.GetDefaultPrinterW(buffer.data(), &size)) {
        buffer.resize(wcsnlen(buffer.c_str(), buffer.size()));
        if (buffer.empty()) break;
        name_ = buffer;
        return true;
      }
    }
    error_ = "no printer is installed";
    return false;
  }

  // The printer's settings with the request's paper and orientation.
  bool Settings(const PrintRequest& request, std::vector<BYTE>& settings) {
    Spooler& sp = SpoolerCalls();
    const LONG size = sp.DocumentPropertiesW(printer_, name_.c_str(), nullptr, nullptr, 0);
    if (size < static_cast<LONG>(sizeof(DEVMODEW))) {
      error_ = StepError("DocumentProperties");
      return false;
    }
    std::vector<BYTE> current(static_cast<size_t>(size));
    auto* mode = reinterpret_cast<DEVMODEW*>(current.data());
    if (sp.DocumentPropertiesW(printer_, name_.c_str(), mode, nullptr, DM_OUT_BUFFER) < 0) {
      error_ = StepError("DocumentProperties");
      return false;
    }
    mode->dmFields |= DM_ORIENTATION;
    mode->dmOrientation = request.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    if (request.paper_width > 0 && request.paper_height > 0) {
      mode->dmFields &= ~static_cast<DWORD>(DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH);
      mode->dmPaperSize = 0;
      for (const KnownPaper& p : kPapers)
        if (p.width == request.paper_width && p.height == request.paper_height)
          mode->dmPaperSize = p.code;
      if (mode->dmPaperSize != 0) {
        mode->dmFields |= DM_PAPERSIZE;
      } else {
        mode->dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
        mode->dmPaperWidth = static_cast<short>(request.paper_width);
        mode->dmPaperLength = static_cast<short>(request.paper_height);
      }
    }
    settings.assign(static_cast<size_t>(size), 0);
    if (sp.DocumentPropertiesW(printer_, name_.c_str(),
                               reinterpret_cast<DEVMODEW*>(settings.data()), mode,
                               DM_IN_BUFFER | DM_OUT_BUFFER) < 0) {
      error_ = StepError("DocumentProperties");
      return false;
    }
    return true;
  }

  // Waits until the spooler has written the job into the output file (it
  // may do so after EndDoc returns), then checks that it wrote something.
  bool AwaitFile() {
    Spooler& sp = SpoolerCalls();
    for (int look = 0;; ++look) {
      DWORD needed = 0;
      std::vector<BYTE> buffer(sizeof(JOB_INFO_1W) + 1024);
      BOOL ok =
          sp.GetJobW(printer_, job_, 1, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
      if (!ok && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
        buffer.resize(needed);
        ok = sp.GetJobW(printer_, job_, 1, buffer.data(), static_cast<DWORD>(buffer.size()),
                        &needed);
      }
      if (!ok) break;  // the job is done and gone
      const DWORD status = reinterpret_cast<const JOB_INFO_1W*>(buffer.data())->Status;
      // Printed first: a printed job may be being deleted already.
      if ((status & (JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE)) != 0) break;
      if ((status &
           (JOB_STATUS_ERROR | JOB_STATUS_DELETING | JOB_STATUS_DELETED | JOB_STATUS_OFFLINE |
            JOB_STATUS_PAPEROUT | JOB_STATUS_USER_INTERVENTION | JOB_STATUS_BLOCKED_DEVQ)) != 0) {
        error_ = "the printer could not write the file (job status " + std::to_string(status) + ")";
        return false;
      }
      if (look >= kJobLooks) {
        error_ = "the printer did not finish writing the file";
        return false;
      }
      sp.Pause(kJobPause);
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (::GetFileAttributesExW(output_.c_str(), GetFileExInfoStandard, &data) &&
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && data.nFileSizeHigh == 0 &&
        data.nFileSizeLow == 0) {
      error_ = "the printer wrote nothing into the file";
      return false;
    }
    return true;
  }

  // Cancels the job after the failure of `step`.
  bool Abandon(const char* step) {
    error_ = StepError(step);
    if (started_) {
      SpoolerCalls().AbortDoc(dc_);
      started_ = false;
    }
    finished_ = true;
    return false;
  }

  void Close() noexcept {
    Spooler& sp = SpoolerCalls();
    if (started_) sp.AbortDoc(dc_);
    started_ = false;
    if (dc_ != nullptr) sp.DeleteDC(dc_);
    dc_ = nullptr;
    if (printer_ != nullptr) sp.ClosePrinter(printer_);
    printer_ = nullptr;
  }

  std::wstring name_;
  std::wstring output_;
  HANDLE printer_ = nullptr;
  HDC dc_ = nullptr;
  DWORD job_ = 0;
  bool started_ = false;   // between StartDoc and EndDoc or AbortDoc
  bool finished_ = false;  // Finish called or the job abandoned
  PageFormat format_;
  std::string error_;
};

}  // namespace

std::unique_ptr<PrintDocument> NativePrintServices::BeginDocument(const PrintRequest& request,
                                                                  std::string& error) {
  auto doc = std::make_unique<SpoolerDocument>();
  if (!doc->Start(request)) {
    error = doc->Error();
    return nullptr;
  }
  return doc;
}

PrintServices& NativePrinting() {
  static NativePrintServices native;
  return native;
}

}  // namespace zel::platform
