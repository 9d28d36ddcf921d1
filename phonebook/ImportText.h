#pragma once
// Files brought in from other programs, read as text. UTF-8 with or without its byte order
// mark, and UTF-16 with its mark, are understood; a text that is not valid UTF-8 is read as
// Windows-1252, which is what older Windows programs write.

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

// Bounds that keep a hostile file from costing much more than its own size: a whole file, one
// line of it (a folded vCard line unfolded, a CSV record with its quoted line breaks), and the
// contacts and numbers read from it (a file of tiny rows would cost tens of times its size).
constexpr std::size_t kMaxImportFileBytes = std::size_t{256} << 20;
constexpr std::size_t kMaxImportLineBytes = std::size_t{8} << 20;
constexpr std::size_t kMaxImportItems = 1000000;

// The reason given when a file holds more than kMaxImportItems contacts and numbers.
std::string TooManyItems();

// Makes bytes UTF-8 (or Windows-1252) text without a byte order mark, in place. Returns why
// they are no text (French, UTF-8), or an empty string.
std::string PrepareImportText(std::string& bytes);

// One value of such a text: UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString DecodeImportText(std::string_view bytes);
