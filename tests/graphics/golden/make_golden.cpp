// Writes the golden images of the drawing tests: run by hand after a
// reviewed change of the drawing code, then look at the images and commit
// them.
//
//   build/default/tests/zel_make_golden [FOLDER]
//
// FOLDER defaults to tests/graphics/data of the source tree. The text sheet
// is the running system's own (text_linux.png or text_windows.png): run the
// Linux build once and the Windows build once (under Wine). Text needs the
// DejaVu families installed.
#include <filesystem>
#include <iostream>
#include <string>

#include "golden_sheets.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"

int main(int argc, char** argv) {
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::path(ZEL_GRAPHICS_DATA);
  auto path = [&](const char* name) { return zel::Utf8ToString((folder / name).string()); };
  try {
    // Another family drawing the text would make a wrong image: FontIsTrueType
    // throws for a family that is not installed.
    for (const char* family : zel_golden::kTextFamilies)
      zel::FontIsTrueType(zel::Utf8ToString(family));
    zel_golden::TextSheet()->SaveToFile(path(zel_golden::TextGoldenFile()));
    zel_golden::ScreenMarks()->SaveToFile(path("marks_screen.png"));
    zel_golden::PrinterMarks(path("scratch.pdf"))->SaveToFile(path("marks_printer.png"));
    zel_golden::Frames()->SaveToFile(path("frames.png"));
    zel_golden::MarksToolSheet()->SaveToFile(path("marks_sheet.png"));
  } catch (const zel::Exception& e) {
    std::cerr << "make_golden: " << e.what() << "\n";
    return 1;
  }
  std::cout << "wrote " << zel_golden::TextGoldenFile()
            << ", marks_screen.png, marks_printer.png, frames.png and marks_sheet.png to "
            << folder.string() << "\n";
  return 0;
}
