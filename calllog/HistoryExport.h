#pragma once
// The call history (isdncall.log) as CSV, for a spreadsheet or an import into the phonebook.

#include "phonebook/TransferFile.h"

#include <string>
#include <string_view>

// "dd/mm/yy HH:MM:SS" as ISO 8601 local time "20yy-mm-ddTHH:MM:SS"; any other text, or a
// date that does not exist, as it stands.
std::string IsoCallDate(std::string_view date);

// "Date,Numéro,Numéro appelé,Nom", then a row for each line of the log in file order (empty
// lines left out), texts in UTF-8 with a byte order mark, CR LF line ends; written whole or
// not at all. The caller's number is the column an import takes, the called one it passes
// over. A cell a spreadsheet would run as a formula ("+41...") gets an apostrophe in front,
// which the import removes again.
ExportReport ExportHistory(const std::string& callLogPath, const std::string& outPath);
