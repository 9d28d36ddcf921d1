#pragma once
// One card of a vCard file or one row of a CSV file as the file gives it, before any check,
// and what a reader made of a whole file.

#include <QString>

#include <string>
#include <vector>

struct ContactRecord {
    std::string place;            // where it stands, for the report: "fiche 3", "ligne 12"
    QString name;                 // as written, possibly empty
    std::vector<QString> numbers; // every number the record gives, as written
};

struct ContactFile {
    std::string error; // why the file can't be imported (French, UTF-8), or empty
    std::vector<ContactRecord> records;
};
