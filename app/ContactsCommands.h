#pragma once
// The command line's contacts work: --import, --export and --export-history. Each runs
// without a display, CAPI or network and beside a running copy (it takes neither the instance
// lock nor the log-owner role). What it did goes to standard output in French; a failure, and
// anything the phonebook store has to tell the user, to standard error. Each returns the
// program's exit code: 0, or 1 when the file could not be read, was malformed or could not be
// written.

#include <string>

// Merges the contacts of a vCard or CSV file into phonebook.txt; prints "N entrées importées,
// M ignorées" and then each skipped contact with the reason, one a line.
int RunImport(const std::string& file, bool overwrite);

// Writes the phonebook as vCard (.vcf, .vcard) or CSV (.csv), by the file's extension.
int RunExport(const std::string& file);

// Writes the call history (isdncall.log) as CSV.
int RunExportHistory(const std::string& file);
