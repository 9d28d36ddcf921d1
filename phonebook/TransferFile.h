#pragma once
// The files of an import or an export: read whole within bounds, written whole or not at
// all. Errors come back as one line of French (UTF-8) that names the file.

#include "phonebook/ImportProgress.h"

#include <cstddef>
#include <string>
#include <string_view>

struct ExportReport {
    bool ok = false;
    std::string error;     // why nothing was written, when !ok
    std::size_t count = 0; // entries or calls written
};

// The bytes of the file at path, at most kMaxImportFileBytes. Returns why not, or empty. Ticks
// progress with the bytes read.
std::string ReadImportFile(const std::string& path, std::string& bytes,
                           const ImportProgress& progress = {});

// Puts bytes in place of the file at path: they go to a temporary file beside it, renamed
// over it once whole, so a reader never sees half a file. Returns why not, or empty.
std::string WriteExportFile(const std::string& path, std::string_view bytes);
