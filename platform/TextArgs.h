#pragma once
// Translated texts with their blanks filled in by bytes: a path or a name in a message keeps
// its bytes as they are, even where they are no valid UTF-8, which QString::arg would replace.

#include <QString>

#include <initializer_list>
#include <string>
#include <string_view>

namespace platform {

// The text in UTF-8 with each %1 to %9 replaced by that argument, in one pass (an argument that
// holds "%2" stays as it is); a number without its argument stays as written.
std::string FillIn(const QString& text, std::initializer_list<std::string_view> args);

} // namespace platform
