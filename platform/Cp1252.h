#pragma once
// Texts stay Windows-1252 bytes in memory and in files; these convert at the widget boundary.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Windows-1252 bytes to Unicode. Bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 control of the same value, so nothing is lost.
QString FromCp1252(std::string_view bytes);

// Unicode to Windows-1252, or nothing when a character has no Windows-1252 form.
std::optional<std::string> ToCp1252(const QString& text);

} // namespace platform
