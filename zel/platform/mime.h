// The desktop's file associations: which type a file name extension has and
// which program opens files of a type (the freedesktop.org shared MIME-info
// database and MIME-apps association rules).
//
// Folders, searched in this order of precedence (a variable that is unset,
// empty or not absolute takes its default):
//   data:   $XDG_DATA_HOME (~/.local/share), then $XDG_DATA_DIRS
//           (/usr/local/share:/usr/share);
//   config: $XDG_CONFIG_HOME (~/.config), then $XDG_CONFIG_DIRS (/etc/xdg).
// Type of an extension: the "*.<ext>" patterns of <data>/mime/globs2 (or the
// older globs, weight 50). Patterns equal to the extension as written come
// first; only without one of those, patterns that match without regard to
// ASCII case and are not marked case-sensitive count. Among them the highest
// weight wins, then the pattern found first. A type that a folder of higher precedence marks
// __NOGLOBS__ takes no patterns from folders of lower precedence. Program of a type: the first
// installed entry of [Default Applications] in the mimeapps.list files (<desktop>-mimeapps.list
// first, for every name in $XDG_CURRENT_DESKTOP) of the config folders and then of
// <data>/applications; failing that, the first of [Added Associations], then of each
// <data>/applications/mimeinfo.cache (or, where a folder has no cache, of its
// .desktop files' MimeType lines), skipping [Removed Associations]. A desktop
// entry "vendor-app.desktop" is also looked for as vendor/app.desktop; a
// hidden entry does not count. The command is the entry's Exec line with the
// escapes of desktop files resolved and its field codes (%f, %U...) kept.
#pragma once

#include <string>
#include <string_view>

#include "zel/export.h"

namespace zel::platform {

// Windows: the registry's classes answer through AssocQueryStringW. The type
// of an extension is its content type (ASSOCSTR_CONTENTTYPE); the program of
// a type is the open command (ASSOCSTR_COMMAND, verb "open") of the extension
// that MIME\Database\Content Type\<type> names in its "Extension" value, so
// extensions that share a type share that extension's program.
//
// The file-associations concern. The Linux implementation reads the files
// described above at each call and never raises: unreadable files count as
// absent; the Windows one never raises either.
class ZEL_API MimeDatabase {
 public:
  virtual ~MimeDatabase();
  // The MIME type of files with this extension (without dot); empty when
  // none is known.
  virtual std::string TypeOfExtension(std::string_view extension) = 0;
  // The command of the program that opens files of the type mime_type
  // ("image/png"); empty when no program is associated.
  virtual std::string OpenCommand(std::string_view mime_type) = 0;
};

// The process's native implementation (built on first use).
ZEL_API MimeDatabase& NativeMime();
// The implementation in force, which the modules call.
ZEL_API MimeDatabase& Mime();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API MimeDatabase* SetMimeBackend(MimeDatabase* backend);

}  // namespace zel::platform
