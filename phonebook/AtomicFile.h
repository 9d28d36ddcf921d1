#pragma once
// Writing a whole file so that it is never seen half written: the bytes go to a temporary file
// beside it (<target>.tmp-<pid>-<n>), reach the disk, and a rename swaps it in.

#include "phonebook/FileIdentity.h"

#include <string>
#include <string_view>

// Puts bytes in place of the file at path (the file a symbolic link points to, not the link).
// Returns 0 or the errno of the failed step. written, when given, receives the identity of
// the new file, or an unknown one when it can't be vouched for.
int ReplaceFile(const std::string& path, std::string_view bytes, FileIdentity* written = nullptr);

// The file ReplaceFile writes for path: the target of a symbolic link, else path itself.
std::string ReplacementTarget(const std::string& path);

// The temporary file of process pid's n-th replacement of target.
std::string TemporaryName(const std::string& target, long pid, unsigned n);
