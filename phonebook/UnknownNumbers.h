#pragma once
// Numbers the directory answered for without a name, kept a week in unknown-numbers.txt beside
// the phonebook (one "number;YYYY-MM-DD" line each, the local date of the answer), so that the
// caller lookup doesn't ask about them on every call. The file is only a cache: a broken or
// missing one counts as empty; one that can't be written is reported once (until a write
// succeeds again).

#include <string>

// The cache file beside the phonebook at phonebookPath.
std::string UnknownNumbersPath(const std::string& phonebookPath);

// Whether the directory knew no name for number less than a week ago.
bool IsRecentlyUnknown(const std::string& cachePath, const std::string& number);

// Notes today as the day the directory knew no name for number; entries older than a week go.
void RememberUnknown(const std::string& cachePath, const std::string& number);
