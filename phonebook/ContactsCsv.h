#pragma once
// Contacts in CSV: a header row naming the columns, then one contact a row.

#include "phonebook/ContactEntries.h"
#include "phonebook/ContactRecord.h"
#include "phonebook/ImportProgress.h"

#include <string>
#include <string_view>
#include <vector>

// The rows of text (already through PrepareImportText). The header names, without regard to
// case or accents, in French or English, the name column (nom, name, fn, full name, display
// name, ...; or a first-name and a last-name column, put together) and one or more number
// columns (numéro, number, téléphone, phone, tel, mobile, portable, ...); other columns, such
// as the call history's "Numéro appelé", are passed over. ",", ";" or a tab separates. The
// apostrophe a writer put before a formula sign ("'+41...") is dropped.
// An error for a header naming no name or no number column, or a malformed text. Ticks progress
// with the bytes read through.
ContactFile ReadContactsCsv(std::string_view text, const ImportProgress& progress = {});

// "Nom,Numéro", then one row an entry; UTF-8 with a byte order mark (spreadsheets then need
// not guess), CR LF line ends. A cell a spreadsheet would run as a formula ("+41...",
// "=...") gets an apostrophe in front, which ReadContactsCsv removes again.
std::string WriteContactsCsv(const std::vector<ExportEntry>& entries);
