// The save dialog request as the fields of Windows' common save dialog
// (OPENFILENAMEW: a filter list, a title, a folder, a name buffer and a type
// index), and the dialog's answer back as a SaveDialogResult. Pure functions
// on strings of any 16-bit character type, without system headers, so that
// they are tested on every system; windows/dialog.cpp uses them with
// windows::Widen and wchar_t.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "zel/platform/dialog.h"

namespace zel::platform::internal {

// The size of the name buffer in UTF-16 units: room for the longest path
// Windows has (32767 units) and its NUL.
inline constexpr size_t kDialogNameUnits = 32768;

// The patterns of `mask` as the dialog takes them: separated by ";" without
// the blanks around them, empty ones dropped; "*" when none is left (a type
// without patterns shows every file, as the GTK dialog does).
inline std::string DialogMask(std::string_view mask) {
  std::string out;
  size_t start = 0;
  for (;;) {
    const size_t semi = mask.find(';', start);
    std::string_view pattern =
        mask.substr(start, semi == std::string_view::npos ? semi : semi - start);
    while (!pattern.empty() && pattern.front() == ' ') pattern.remove_prefix(1);
    while (!pattern.empty() && pattern.back() == ' ') pattern.remove_suffix(1);
    if (!pattern.empty()) {
      if (!out.empty()) out += ';';
      out += pattern;
    }
    if (semi == std::string_view::npos) break;
    start = semi + 1;
  }
  return out.empty() ? std::string("*") : out;
}

// The folder part of a preset name (without its last separator; "\" or "/"
// for a name directly in the root, "C:\" for one on a drive root) and its
// name part. Both separators count, as on Windows.
inline std::string_view PresetFolder(std::string_view name) {
  const size_t sep = name.find_last_of("/\\");
  if (sep == std::string_view::npos) {
    // "C:name": the current folder of drive C.
    return name.size() >= 2 && name[1] == ':' ? name.substr(0, 2) : std::string_view();
  }
  if (sep == 0 || (sep == 2 && name[1] == ':')) return name.substr(0, sep + 1);
  return name.substr(0, sep);
}
inline std::string_view PresetName(std::string_view name) {
  const size_t sep = name.find_last_of("/\\");
  if (sep != std::string_view::npos) return name.substr(sep + 1);
  return name.size() >= 2 && name[1] == ':' ? name.substr(2) : name;
}

// The settings of one dialog in the dialog's terms.
template <class Char>
struct CommonDialogFields {
  // "name\0mask\0" per type and one more NUL after the last (so the list
  // ends with two NULs); empty when there are no types.
  std::basic_string<Char> filter;
  std::basic_string<Char> title;        // empty: the dialog's own title
  std::basic_string<Char> initial_dir;  // empty: the dialog chooses
  // kDialogNameUnits units: the preset's name part, then NULs. The dialog
  // writes the accepted name here.
  std::vector<Char> name_buffer;
  uint32_t filter_index = 0;  // 1-based selected type; 0 when there are no types
};

// `text` with "/" as "\" (Windows takes both; the dialog shows the native
// one), except in a "\\?\" name, where "/" is a character of the name.
template <class Char>
void NativeSeparators(std::basic_string<Char>& text) {
  static constexpr Char kVerbatim[] = {'\\', '\\', '?', '\\'};
  if (text.size() >= 4 && std::equal(kVerbatim, kVerbatim + 4, text.begin())) return;
  for (Char& c : text) {
    if (c == Char('/')) c = Char('\\');
  }
}

// Fills `fields` from `request`; `widen(std::string_view, std::basic_string<Char>&)`
// converts UTF-8 (WTF-8) text and returns false for text it cannot take (a
// NUL, bytes that are not UTF-8). Returns 0, or the error with which the
// dialog fails without being shown: kInvalidFileName for a preset name or
// folder that cannot be widened or does not fit the buffer,
// kDialogInitialization for a title, type name or mask that cannot be.
//   - types: a type with an empty name shows its mask as its name (an empty
//     name would end the dialog's list there); masks as DialogMask gives them;
//   - filter_index: request.type_index when it names a type, else 1;
//   - the name buffer holds the preset's name part; its folder is shown first
//     when request.initial_dir is empty.
template <class Char, class Widen>
uint32_t MapSaveRequest(const SaveDialogRequest& request, Widen widen,
                        CommonDialogFields<Char>& fields) {
  fields = CommonDialogFields<Char>();
  std::basic_string<Char> wide;
  for (const SaveFileType& type : request.types) {
    const std::string mask = DialogMask(type.mask);
    if (!widen(type.name.empty() ? std::string_view(mask) : std::string_view(type.name), wide)) {
      fields.filter.clear();
      return kDialogInitialization;
    }
    fields.filter += wide;
    fields.filter += Char(0);
    if (!widen(mask, wide)) {
      fields.filter.clear();
      return kDialogInitialization;
    }
    fields.filter += wide;
    fields.filter += Char(0);
  }
  if (!fields.filter.empty()) fields.filter += Char(0);
  const auto count = static_cast<int64_t>(request.types.size());
  if (count != 0) {
    fields.filter_index = request.type_index >= 1 && request.type_index <= count
                              ? static_cast<uint32_t>(request.type_index)
                              : 1;
  }
  if (!request.title.empty() && !widen(request.title, fields.title)) return kDialogInitialization;

  const std::string_view folder = request.initial_dir.empty()
                                      ? PresetFolder(request.file_name)
                                      : std::string_view(request.initial_dir);
  if (!folder.empty() && !widen(folder, fields.initial_dir)) return kInvalidFileName;
  NativeSeparators(fields.initial_dir);
  const std::string_view name = PresetName(request.file_name);
  if (!name.empty() && !widen(name, wide)) return kInvalidFileName;
  if (name.empty()) wide.clear();
  if (wide.size() >= kDialogNameUnits) return kInvalidFileName;
  fields.name_buffer.assign(kDialogNameUnits, Char(0));
  std::copy(wide.begin(), wide.end(), fields.name_buffer.begin());
  return 0;
}

// The result of a dialog shown with `request`: `confirmed` with the
// `accepted` name (narrowed from the buffer), or not, with `error` (the
// dialog's extended error code; 0 for a cancel) and the preset name.
// `type_index` is the type selected when the dialog closed; a dialog without
// types reports request.type_index.
inline SaveDialogResult SaveResultOf(const SaveDialogRequest& request, bool confirmed,
                                     uint32_t error, std::string accepted, uint32_t type_index) {
  SaveDialogResult result;
  result.file_name = request.file_name;
  result.type_index = request.types.empty() ? request.type_index : static_cast<int32_t>(type_index);
  if (!confirmed) {
    result.error = error;
    return result;
  }
  if (accepted.empty()) {
    // A confirm without a name is no answer the caller can use.
    result.error = kInvalidFileName;
    return result;
  }
  result.confirmed = true;
  result.file_name = std::move(accepted);
  return result;
}

}  // namespace zel::platform::internal
