#pragma once
// Where the program's two files live. In a portable folder (the build folder, a folder the user
// copied the program into) they lie beside the executable. When the program is installed (it
// lies under /usr/) or a file can't be written beside it, the file lives in the user's data
// folder instead: $XDG_DATA_HOME/tintorel, by default ~/.local/share/tintorel.

#include <string>

// Full path of phonebook.txt / isdncall.log, computed on first success and kept for the run.
// The data folder is made on first use, and again on later calls while it is missing; when it
// can't be made the path is returned all the same, and reading or writing the file fails with
// the usual messages. When the executable's folder can't be worked out the user is told and the
// bare file name is returned (not kept, so the next call tries again).
const char* GetPhonebookPath();
const char* GetCallLogPath();

namespace platform {
// The folder the call log is written in ("." for a bare file name): what tells two copies of
// the program apart.
std::string GetCallLogFolder();
} // namespace platform
