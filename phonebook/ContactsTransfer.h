#pragma once
// Contacts in and out of the phonebook, as the command line's --import and --export and the
// phonebook editor's "Importer..." and "Exporter..." do it: vCard files (.vcf, .vcard) and
// CSV files (.csv). Every text is French, in UTF-8.

#include "phonebook/ContactEntries.h"
#include "phonebook/ImportProgress.h"
#include "phonebook/Phonebook.h"
#include "phonebook/TransferFile.h"

#include <cstddef>
#include <string>
#include <vector>

struct ImportReport {
    bool ok = false;
    std::string error;                // why nothing was imported, when !ok
    std::size_t imported = 0;         // entries added, or renamed with overwrite
    std::vector<std::string> skipped; // one line each: which card or row, and why

    // "N entrées importées, M ignorées"
    std::string Summary() const;
};

// Reads the file (vCard for .vcf and .vcard, CSV for .csv, any other name by its content)
// and merges its contacts into book with one save: all of them or, on any error, none. A
// number already in the phonebook keeps its name unless overwrite. ReadContacts, then
// MergeContacts.
ImportReport ImportContacts(CPhonebook& book, const std::string& path, bool overwrite);

// A contacts file read and checked for the phonebook, not merged into it yet.
struct ContactsRead {
    std::string error;    // why nothing can be imported (French, UTF-8), or empty
    bool stopped = false; // given up on request: nothing to import, nothing to tell
    ContactEntries entries;
};

// The long part of an import, which leaves the store alone (a call's lookup never waits for
// it): reads the file and checks its contacts for the directory country. Ticks progress all
// the way; a stop request gives it up.
ContactsRead ReadContacts(const std::string& path, int country,
                          const ImportProgress& progress = {});

// The short part: merges the entries ReadContacts gave into book with one save, under the
// store's lock.
ImportReport MergeContacts(CPhonebook& book, ContactEntries entries, bool overwrite);

// The phonebook as vCard 4.0 (.vcf, .vcard) or CSV (.csv), chosen by the file's extension,
// sorted by name; written whole or not at all.
ExportReport ExportPhonebook(const CPhonebook& book, const std::string& path);
