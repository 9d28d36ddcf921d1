#pragma once
// Comma-separated values as RFC 4180 has them: a field in double quotes may hold the
// separator, line breaks and doubled quotes. Records end at CR LF, LF or a lone CR.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The separator of a file, told from its first line: ',', ';' or a tab, whichever stands most
// often outside quotes (',' when none does).
char GuessCsvSeparator(std::string_view text);

class CsvReader {
  public:
    CsvReader(std::string_view text, char separator) : m_text(text), m_separator(separator) {}

    // The next record's fields; false at the end of the text, or when the text is malformed
    // (Error() then says why). A quote inside an unquoted field is kept as a character; text
    // after a closing quote, a quote never closed or a record longer than kMaxImportLineBytes
    // are errors.
    bool Next(std::vector<std::string>& fields);
    // How many bytes of the text were read through.
    std::size_t Position() const { return m_pos; }
    // The line on which the record last returned begins, from 1.
    std::size_t Line() const { return m_recordLine; }
    // Why reading stopped early (French, UTF-8), or empty.
    const std::string& Error() const { return m_error; }

  private:
    bool Fail(std::string why);

    std::string_view m_text;
    char m_separator;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    std::size_t m_recordLine = 0;
    std::string m_error;
};

// Appends text as one field, in double quotes (inner quotes doubled) when it holds the
// separator, a quote or a line break. A spreadsheet runs a cell that begins with "=", "+",
// "-", "@", a tab or a CR as a formula: such a text (after any apostrophes it begins with)
// gets one more apostrophe in front, which spreadsheets take for "this is text".
void AppendCsvField(std::string& out, std::string_view text, char separator);

// A field's text without the apostrophe AppendCsvField put before a formula sign; any other
// text as it stands.
std::string_view WithoutFormulaGuard(std::string_view field);
