#pragma once
// The user's private folder for what running copies share with one another (the log-owner
// role's lock, the request channel): $XDG_RUNTIME_DIR/tintorel, or $XDG_CACHE_HOME/tintorel
// (by default ~/.cache/tintorel) when XDG_RUNTIME_DIR is unset or isn't the user's own. Made
// 0700 on first use; a folder that another user owns or may enter is never used.

#include <string>

namespace platform {

// The folder, made when missing (unless make is false); empty, with error set to an errno
// value, when no private folder can be had or, not to be made, there is none yet.
std::string RuntimeFolder(int& error, bool make = true);

// The name that stands for a data folder there: 16 hex digits of a hash of its canonical path,
// so every path to one folder (a link, "..") gives the same name.
std::string FolderKey(const std::string& dataFolder);

} // namespace platform
