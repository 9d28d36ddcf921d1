#pragma once
// A number as a line gives it, made safe for the rest of the program: printable bytes are
// kept, bytes 0x80-0xFF too (Windows-1252 text), control bytes, ";" and DEL (0x7F) are
// dropped, so that a number can never break a log line, a phonebook line or a request.

#include <string>
#include <string_view>

namespace capi {

std::string CleanNumber(std::string_view number);

} // namespace capi
