#pragma once
// Writing a whole file so that it is never seen half written: the bytes go to a temporary file
// beside it (<target>.tmp-<pid>-<n>), reach the disk, and a rename swaps it in. The one way the
// program replaces a file (phonebook, unknown numbers, registry, autostart entries).

#include "platform/FileIdentity.h"

#include <string>
#include <string_view>

namespace platform {

// Puts bytes in place of the file at path (the file a symbolic link points to, not the link).
// Returns 0 or the errno of the failed step; a path that holds anything but a regular file is
// refused (NotRegularError) and left alone. written, when given, receives the identity of the
// new file, or an unknown one when it can't be vouched for.
//
// A folder that refuses new files may still hold a file we may write: that file is then
// rewritten where it stands, without the safety of the swap, but only once the space the new
// bytes need is reserved. What can't be written back is never cut off.
int ReplaceFile(const std::string& path, std::string_view bytes, FileIdentity* written = nullptr);

// The file ReplaceFile writes for path: the target of a symbolic link, else path itself.
std::string ReplacementTarget(const std::string& path);

// The temporary file of process pid's n-th replacement of target.
std::string TemporaryName(const std::string& target, long pid, unsigned n);

} // namespace platform
