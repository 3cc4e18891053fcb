// Linux has no save dialog of its own in this library: the desktop's dialog
// is the GTK file chooser of the separate library zel::gtk.
#include "zel/platform/dialog.h"

namespace zel::platform {

SaveDialogs* SystemSaveDialogs() { return nullptr; }

bool UseSystemDialogs() { return false; }

}  // namespace zel::platform
