// The slot of every operating-system concern: the implementation in force, its
// accessor and its switch (see backend.h). Each concern's interface is defined
// here too, so the system's implementations (linux/ or windows/) hold nothing
// but the system calls.
#include "zel/platform/backend.h"

#include <cstdint>
#include <string>
#include <vector>

#include "zel/platform/descriptors.h"
#include "zel/platform/drives.h"
#include "zel/platform/environment.h"
#include "zel/platform/files.h"
#include "zel/platform/fonts.h"
#include "zel/platform/glyphs.h"
#include "zel/platform/interrupt.h"
#include "zel/platform/mime.h"
#include "zel/platform/network.h"
#include "zel/platform/images.h"
#include "zel/platform/printing.h"
#include "zel/platform/process.h"
#include "zel/platform/processor.h"
#include "zel/platform/replace.h"
#include "zel/platform/scratch.h"
#include "zel/platform/store.h"
#include "zel/platform/sysinfo.h"
#include "zel/platform/terminal.h"
#include "zel/platform/trash.h"

namespace zel::platform {

#define ZEL_PLATFORM_CONCERN(Interface, native, Accessor, SetBackend)  \
  Interface::~Interface() = default;                                    \
  namespace {                                                           \
  BackendSlot<Interface>& Accessor##Slot() {                            \
    static BackendSlot<Interface> slot(&native);                        \
    return slot;                                                        \
  }                                                                     \
  }                                                                     \
  Interface& Accessor() { return Accessor##Slot().Get(); }              \
  Interface* SetBackend(Interface* backend) { return Accessor##Slot().Set(backend); }

ZEL_PLATFORM_CONCERN(DescriptorServices, NativeDescriptors, Descriptors, SetDescriptorsBackend)
ZEL_PLATFORM_CONCERN(DriveSystem, NativeDrives, Drives, SetDrivesBackend)
ZEL_PLATFORM_CONCERN(Environment, NativeEnvironment, Env, SetEnvironmentBackend)
ZEL_PLATFORM_CONCERN(FileSystem, NativeFiles, Files, SetFilesBackend)
ZEL_PLATFORM_CONCERN(FontServices, NativeFonts, Fonts, SetFontsBackend)
ZEL_PLATFORM_CONCERN(GlyphServices, NativeGlyphs, Glyphs, SetGlyphsBackend)
ZEL_PLATFORM_CONCERN(InterruptServices, NativeInterrupts, Interrupts, SetInterruptsBackend)
ZEL_PLATFORM_CONCERN(MimeDatabase, NativeMime, Mime, SetMimeBackend)
ZEL_PLATFORM_CONCERN(Network, NativeNetwork, Net, SetNetworkBackend)
ZEL_PLATFORM_CONCERN(PngCodec, NativePng, Png, SetPngBackend)
ZEL_PLATFORM_CONCERN(PrintServices, NativePrinting, Printing, SetPrintingBackend)
ZEL_PLATFORM_CONCERN(ProcessServices, NativeProcess, Process, SetProcessBackend)
ZEL_PLATFORM_CONCERN(ProcessorInstructions, NativeProcessor, Processor, SetProcessorBackend)
ZEL_PLATFORM_CONCERN(ReplaceServices, NativeReplace, Replace, SetReplaceBackend)
ZEL_PLATFORM_CONCERN(ScratchSpace, NativeScratch, Scratch, SetScratchBackend)
ZEL_PLATFORM_CONCERN(ConfigStore, NativeStore, Store, SetStoreBackend)
ZEL_PLATFORM_CONCERN(SystemInfo, NativeSystemInfo, SysInfo, SetSystemInfoBackend)
ZEL_PLATFORM_CONCERN(TerminalServices, NativeTerminal, Terminal, SetTerminalBackend)
ZEL_PLATFORM_CONCERN(TrashSystem, NativeTrash, Trash, SetTrashBackend)

#undef ZEL_PLATFORM_CONCERN

StoreError::~StoreError() = default;
PrintDocument::~PrintDocument() = default;
GlyphFace::~GlyphFace() = default;

std::string PngCodec::EncodeTo(const uint32_t* pixels, uint32_t width, uint32_t height,
                               const PngWriter& write) {
  std::vector<uint8_t> bytes;
  std::string error = Encode(pixels, width, height, bytes);
  if (error.empty()) write(bytes.data(), bytes.size());
  return error;
}

RaisedPriorities::RaisedPriorities()
    : process_(Process()), saved_(process_.SavePriorities()), raised_(process_.RaisePriorities()) {}

RaisedPriorities::~RaisedPriorities() { process_.RestorePriorities(saved_); }

}  // namespace zel::platform
