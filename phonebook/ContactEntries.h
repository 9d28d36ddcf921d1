#pragma once
// Between contacts as files give them and phonebook entries (number and name in
// Windows-1252): what an import may store, what it leaves out and why, and the order in which
// an export lists the phonebook.

#include "phonebook/ContactRecord.h"
#include "phonebook/ImportProgress.h"

#include <QString>

#include <string>
#include <utility>
#include <vector>

// Number, name; Windows-1252 like the phonebook's own texts.
using PhonebookEntry = std::pair<std::string, std::string>;

struct ContactEntries {
    std::vector<PhonebookEntry> entries; // each number once
    std::vector<std::string> labels;     // per entry, the record it comes from (UTF-8)
    std::vector<std::string> skipped;    // "Jean Dupont (fiche 3) : why", UTF-8
};

// The entries the records give for the directory country (0 Swiss, 1 French). Left out and
// reported: a record without a name, a name the lookup itself shows ("Inconnu", "Erreur",
// ...), a name with a character Windows-1252 lacks, a record without any number, a number
// that can't be made digits, and a number already taken from the file under another name
// (the first one stands). Names lose control characters and surrounding blanks. Ticks progress
// with the records checked; given up, the result is partial.
ContactEntries ToPhonebookEntries(const std::vector<ContactRecord>& records, int country,
                                  const ImportProgress& progress = {});

// A phonebook entry on its way out: name in Unicode.
struct ExportEntry {
    QString name;
    std::string number;
};

// Sorted by name without regard to case, then by number: the phonebook's own order means
// nothing, and a sorted file is what people expect to read.
std::vector<ExportEntry> ExportOrder(const std::vector<PhonebookEntry>& entries);
