#include "phonebook/ContactsTransfer.h"

#include "phonebook/ContactEntries.h"
#include "phonebook/ContactsCsv.h"
#include "phonebook/ImportText.h"
#include "phonebook/VCard.h"
#include "platform/Cp1252.h"
#include "platform/TextArgs.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>

#include <system_error>

namespace {

enum class Format { VCard, Csv, Unknown };

Format FormatOf(const std::string& path) {
    const QString suffix =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).suffix().toLower();
    if (suffix == u"vcf" || suffix == u"vcard")
        return Format::VCard;
    return suffix == u"csv" ? Format::Csv : Format::Unknown;
}

bool StartsLikeVCard(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos)
        return false;
    const QByteArrayView head(text.data() + start, static_cast<qsizetype>(std::min<std::size_t>(
                                                       11, text.size() - start)));
    return head.compare("BEGIN:VCARD", Qt::CaseInsensitive) == 0;
}

} // namespace

std::string ImportReport::Summary() const {
    return platform::FillIn(
        QCoreApplication::translate("ContactsTransfer", "%1 entrées importées, %2 ignorées"),
        {std::to_string(imported), std::to_string(skipped.size())});
}

ImportReport ImportContacts(CPhonebook& book, const std::string& path, bool overwrite) {
    ContactsRead read = ReadContacts(path, book.GetCountry());
    if (!read.error.empty()) {
        ImportReport report;
        report.error = std::move(read.error);
        return report;
    }
    return MergeContacts(book, std::move(read.entries), overwrite);
}

ContactsRead ReadContacts(const std::string& path, int country, const ImportProgress& progress) {
    ContactsRead read;
    const auto stopped = [&] {
        if (progress.StopRequested())
            read = ContactsRead{.error = {}, .stopped = true, .entries = {}};
        return read.stopped;
    };
    // Each step's share of the whole, after what it takes on large files.
    std::string text;
    read.error = ReadImportFile(path, text, progress.Step(0, 300));
    if (stopped() || !read.error.empty())
        return read;
    std::string why = PrepareImportText(text);
    ContactFile file;
    if (why.empty()) {
        Format format = FormatOf(path);
        if (format == Format::Unknown)
            format = StartsLikeVCard(text) ? Format::VCard : Format::Csv;
        const ImportProgress step = progress.Step(300, 700);
        file = format == Format::VCard ? ReadVCard(text, step) : ReadContactsCsv(text, step);
        why = file.error;
    }
    if (stopped())
        return read;
    if (!why.empty()) {
        //: %1 is a file's path, %2 why it can't be imported.
        read.error = platform::FillIn(
            QCoreApplication::translate("ContactsTransfer", "Impossible d'importer « %1 » : %2."),
            {path, why});
        return read;
    }
    text = {};
    read.entries = ToPhonebookEntries(file.records, country, progress.Step(700, 1000));
    stopped();
    return read;
}

ImportReport MergeContacts(CPhonebook& book, ContactEntries entries, bool overwrite) {
    ImportReport report;
    // Nothing to add leaves the phonebook file alone.
    const CPhonebook::MergeResult merged = entries.entries.empty()
                                               ? CPhonebook::MergeResult()
                                               : book.MergeEntries(entries.entries, overwrite);
    if (merged.error != 0) {
        //: %1 is the system's reason.
        report.error = platform::FillIn(
            QCoreApplication::translate(
                "ContactsTransfer",
                "Impossible d'enregistrer l'annuaire (%1) : rien n'a été importé."),
            {std::generic_category().message(merged.error)});
        return report;
    }
    report.skipped = std::move(entries.skipped);
    for (const auto& [index, name] : merged.kept)
        //: An import's report: %1 the contact, %2 its number, %3 the name the phonebook has
        //: for it.
        report.skipped.push_back(platform::FillIn(
            QCoreApplication::translate("ContactsTransfer",
                                        "%1 : numéro %2 déjà dans l'annuaire sous « %3 »"),
            {entries.labels[index], entries.entries[index].first,
             platform::FromCp1252(name).toStdString()}));
    report.imported = entries.entries.size() - merged.kept.size();
    report.ok = true;
    return report;
}

ExportReport ExportPhonebook(const CPhonebook& book, const std::string& path) {
    ExportReport report;
    const Format format = FormatOf(path);
    if (format == Format::Unknown) {
        report.error = platform::FillIn(
            QCoreApplication::translate("ContactsTransfer",
                                        "Impossible d'exporter vers « %1 » : choisissez un nom "
                                        "de fichier en .vcf, .vcard ou .csv."),
            {path});
        return report;
    }
    std::vector<PhonebookEntry> entries;
    for (POSITION pos = book.GetStartPosition(); pos;) {
        std::string number;
        std::string name;
        book.GetNextEntry(pos, number, name);
        entries.emplace_back(std::move(number), std::move(name));
    }
    const std::vector<ExportEntry> sorted = ExportOrder(entries);
    report.error = WriteExportFile(path, format == Format::VCard ? WriteVCard(sorted)
                                                                 : WriteContactsCsv(sorted));
    report.ok = report.error.empty();
    report.count = report.ok ? sorted.size() : 0;
    return report;
}
