#pragma once
// Diagnostic lines on standard output. Each call writes its text in one piece and flushes, so
// the lines of two threads never interleave; the bytes are written exactly as given.

#include <string_view>

namespace capi {

void Say(std::string_view text);
// printf-style; the result goes out like Say's.
void Sayf(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace capi
