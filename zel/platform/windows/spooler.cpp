// The system's spooler and printer device calls (see internal/spooler.h).
#include "zel/platform/windows/internal/spooler.h"

// After <windows.h>, which spooler.h includes.
#include <winspool.h>

namespace zel::platform::windows {
namespace {

Spooler* installed_spooler = nullptr;

}  // namespace

Spooler::~Spooler() = default;

BOOL Spooler::GetDefaultPrinterW(wchar_t* buffer, DWORD* size) {
  return ::GetDefaultPrinterW(buffer, size);
}

BOOL Spooler::OpenPrinterW(const wchar_t* name, HANDLE* printer) {
  return ::OpenPrinterW(const_cast<wchar_t*>(name), printer, nullptr);
}

BOOL Spooler::ClosePrinter(HANDLE printer) { return ::ClosePrinter(printer); }

LONG Spooler::DocumentPropertiesW(HANDLE printer, const wchar_t* name, DEVMODEW* out,
                                  const DEVMODEW* in, DWORD mode) {
  return ::DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(name), out,
                               const_cast<DEVMODEW*>(in), mode);
}

BOOL Spooler::GetJobW(HANDLE printer, DWORD id, DWORD level, BYTE* buffer, DWORD size,
                      DWORD* needed) {
  return ::GetJobW(printer, id, level, buffer, size, needed);
}

HDC Spooler::CreateDCW(const wchar_t* device, const DEVMODEW* settings) {
  return ::CreateDCW(L"WINSPOOL", device, nullptr, settings);
}

BOOL Spooler::DeleteDC(HDC dc) { return ::DeleteDC(dc); }

int Spooler::GetDeviceCaps(HDC dc, int index) { return ::GetDeviceCaps(dc, index); }

int Spooler::StartDocW(HDC dc, const DOCINFOW* info) { return ::StartDocW(dc, info); }

int Spooler::StartPage(HDC dc) { return ::StartPage(dc); }

int Spooler::StretchDIBits(HDC dc, int x, int y, int width, int height, int src_x, int src_y,
                           int src_width, int src_height, const void* bits, const BITMAPINFO* info,
                           UINT usage, DWORD rop) {
  return ::StretchDIBits(dc, x, y, width, height, src_x, src_y, src_width, src_height, bits, info,
                         usage, rop);
}

int Spooler::EndPage(HDC dc) { return ::EndPage(dc); }

int Spooler::EndDoc(HDC dc) { return ::EndDoc(dc); }

int Spooler::AbortDoc(HDC dc) { return ::AbortDoc(dc); }

void Spooler::Pause(DWORD milliseconds) { ::Sleep(milliseconds); }

Spooler& SpoolerCalls() {
  static Spooler system;
  return installed_spooler != nullptr ? *installed_spooler : system;
}

Spooler* SetSpooler(Spooler* calls) {
  Spooler* previous = &SpoolerCalls();
  installed_spooler = calls;
  return previous;
}

}  // namespace zel::platform::windows
