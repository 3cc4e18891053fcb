// The print spooler and printer device calls of the Windows printing
// concern, one virtual function per system call, so that tests can script
// them: check the order of the calls, the page images and sizes handed to
// the device, and a failure of any step. Each function does what the system
// function of that name does and leaves the error in GetLastError() (a
// script sets it with SetLastError). The base class makes the real calls;
// a test derives from it and installs its script with SetSpooler.
#pragma once

#include "zel/export.h"
#include "zel/platform/windows/internal/win32.h"

namespace zel::platform::windows {

class ZEL_API Spooler {
 public:
  virtual ~Spooler();
  // GetDefaultPrinterW: the default printer's name into `buffer` of `*size`
  // characters (`*size` receives the size needed).
  virtual BOOL GetDefaultPrinterW(wchar_t* buffer, DWORD* size);
  // OpenPrinterW for `name` with default access into `*printer`.
  virtual BOOL OpenPrinterW(const wchar_t* name, HANDLE* printer);
  // ClosePrinter of `printer`.
  virtual BOOL ClosePrinter(HANDLE printer);
  // DocumentPropertiesW (no window) of `printer` named `name`: with `mode` 0
  // the size of its settings in bytes; else `out` receives the settings,
  // `in` merged where `mode` has DM_IN_BUFFER.
  virtual LONG DocumentPropertiesW(HANDLE printer, const wchar_t* name, DEVMODEW* out,
                                   const DEVMODEW* in, DWORD mode);
  // GetJobW at `level` of the job `id` of `printer` into `buffer` of `size`
  // bytes (`*needed` receives the size needed).
  virtual BOOL GetJobW(HANDLE printer, DWORD id, DWORD level, BYTE* buffer, DWORD size,
                       DWORD* needed);
  // CreateDCW(L"WINSPOOL", `device`, nullptr, `settings`).
  virtual HDC CreateDCW(const wchar_t* device, const DEVMODEW* settings);
  // DeleteDC of `dc`.
  virtual BOOL DeleteDC(HDC dc);
  // GetDeviceCaps of `dc` for `index` (LOGPIXELSX, HORZRES, ...).
  virtual int GetDeviceCaps(HDC dc, int index);
  // StartDocW on `dc` with `info`: the job's number, or SP_ERROR (<= 0).
  virtual int StartDocW(HDC dc, const DOCINFOW* info);
  // StartPage of `dc`.
  virtual int StartPage(HDC dc);
  // StretchDIBits onto `dc`: the rectangle `x`, `y`, `width`, `height` of
  // the device from `src_x`, `src_y`, `src_width`, `src_height` of the bits
  // `bits` described by `info`, with `usage` and raster operation `rop`.
  virtual int StretchDIBits(HDC dc, int x, int y, int width, int height, int src_x, int src_y,
                            int src_width, int src_height, const void* bits, const BITMAPINFO* info,
                            UINT usage, DWORD rop);
  // EndPage of `dc`.
  virtual int EndPage(HDC dc);
  // EndDoc of `dc`.
  virtual int EndDoc(HDC dc);
  // AbortDoc of `dc`.
  virtual int AbortDoc(HDC dc);
  // Sleep for `milliseconds` (between looks at a job that is still being
  // written).
  virtual void Pause(DWORD milliseconds);
};

// The calls in force (the system's unless a test installed a script).
ZEL_API Spooler& SpoolerCalls();
// Installs `calls` (nullptr: the system's) and returns the previous ones.
ZEL_API Spooler* SetSpooler(Spooler* calls);

}  // namespace zel::platform::windows
