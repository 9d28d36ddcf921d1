#pragma once
// vCard files (versions 2.1, 3.0 and 4.0) in, vCard 4.0 out.

#include "phonebook/ContactRecord.h"
#include "phonebook/ContactEntries.h"
#include "phonebook/ImportProgress.h"

#include <string>
#include <string_view>
#include <vector>

// Every card of text (already through PrepareImportText): its name from FN, else N, else ORG,
// and every TEL. Folded lines, quoted-printable values and CHARSET are understood; cards
// nested in a card (2.1's AGENT) are passed over. An error for a line longer than
// kMaxImportLineBytes, a card without its END, or a text with no card at all. Ticks progress
// with the bytes read through.
ContactFile ReadVCard(std::string_view text, const ImportProgress& progress = {});

// vCard 4.0 in UTF-8 with CR LF line ends: one card per name holding all of its numbers, in
// the order given.
std::string WriteVCard(const std::vector<ExportEntry>& entries);
