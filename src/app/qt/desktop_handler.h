// Whether the desktop has a program registered for a kind of file. Opening a file through
// xdg-open "succeeds" as soon as xdg-open starts, even when it then finds nothing to run.
#pragma once

#include <QString>

namespace v7400 {

// True when `xdg-mime query default TYPE` (or else `gio mime TYPE`) names a program; also true
// where neither tool exists (a desktop without them opens files its own way).
bool HasDesktopHandler(const QString& mime_type);

}  // namespace v7400
