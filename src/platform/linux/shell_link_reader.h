#pragma once

#include <string>

#include "platform/shell.h"

namespace pontavi {

// Reads a Windows shell shortcut (.lnk) with liblnk. The target is the local
// path of the link's target, else its network path, else its relative path;
// empty when the link names none of them (a shell folder, say). Throws
// ShortcutError: Shell::kLinkNotFound when file is not a regular file,
// Shell::kLinkUnreadable when it is not a readable shortcut.
ShellLinkTarget ReadShellLinkFile(const std::string& file);

}  // namespace pontavi
