#include "app/ContactsCommands.h"

#include "calllog/HistoryExport.h"
#include "phonebook/ContactsTransfer.h"
#include "phonebook/Phonebook.h"
#include "platform/FileLocations.h"
#include "platform/UserMessage.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// While a command runs, what the model code tells the user is printed on standard error: there
// is no window, and a box must not wait for someone to answer it.
class MessagesToStandardError {
  public:
    MessagesToStandardError() : m_previous(platform::CurrentMessagePresenter()) {
        platform::SetMessagePresenter([](const platform::MessageBoxRequest& request) {
            std::fprintf(stderr, "%s: %s\n", request.caption.toLocal8Bit().constData(),
                         request.text.toLocal8Bit().constData());
            return platform::IDOK;
        });
    }
    ~MessagesToStandardError() { platform::SetMessagePresenter(m_previous); }
    MessagesToStandardError(const MessagesToStandardError&) = delete;
    MessagesToStandardError& operator=(const MessagesToStandardError&) = delete;

  private:
    platform::MessagePresenter m_previous;
};

void PrintLine(std::FILE* stream, const std::string& line) {
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
}

int Failed(const std::string& error) {
    std::fflush(stdout);
    PrintLine(stderr, error);
    return 1;
}

// "1 entrée exportée", "12 entrées exportées": one is the text for 1, many holds %1.
std::string Count(std::size_t n, const char* one, const char* many) {
    if (n == 1)
        return QCoreApplication::translate("ContactsCommands", one).toStdString();
    return QCoreApplication::translate("ContactsCommands", many).arg(n).toStdString();
}

} // namespace

int RunImport(const std::string& file, bool overwrite) {
    MessagesToStandardError messages;
    const ImportReport report = ImportContacts(*GetPhonebook(), file, overwrite);
    if (!report.ok)
        return Failed(report.error);
    PrintLine(stdout, report.Summary());
    for (const std::string& skipped : report.skipped)
        PrintLine(stdout, skipped);
    std::fflush(stdout);
    return 0;
}

int RunExport(const std::string& file) {
    MessagesToStandardError messages;
    const ExportReport report = ExportPhonebook(*GetPhonebook(), file);
    if (!report.ok)
        return Failed(report.error);
    PrintLine(stdout,
              Count(report.count, QT_TRANSLATE_NOOP("ContactsCommands", "1 entrée exportée"),
                    QT_TRANSLATE_NOOP("ContactsCommands", "%1 entrées exportées")));
    std::fflush(stdout);
    return 0;
}

int RunExportHistory(const std::string& file) {
    MessagesToStandardError messages;
    const ExportReport report = ExportHistory(GetCallLogPath(), file);
    if (!report.ok)
        return Failed(report.error);
    PrintLine(stdout, Count(report.count, QT_TRANSLATE_NOOP("ContactsCommands", "1 appel exporté"),
                            QT_TRANSLATE_NOOP("ContactsCommands", "%1 appels exportés")));
    std::fflush(stdout);
    return 0;
}
