#pragma once
// Temporary files that a replacement of a file left behind when its process was killed between
// creating one and renaming it.

#include <string>

namespace platform {

// Removes, beside the file ReplaceFile writes for path, the temporary files of processes that
// no longer run. A file of a running process (this one included) is never touched, nor any
// name that isn't exactly one ReplaceFile makes for that file. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& path);

} // namespace platform
