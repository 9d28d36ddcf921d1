#include "calllog/HistoryExport.h"

#include "calllog/CallLogRecord.h"
#include "phonebook/Csv.h"
#include "platform/Cp1252.h"
#include "platform/TextArgs.h"

#include <QDate>
#include <QTime>
#include <QCoreApplication>

#include <cstdio>
#include <system_error>

namespace {

int TwoDigits(std::string_view text, std::size_t at) {
    const char a = text[at];
    const char b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

std::string Utf8(std::string_view cp1252) {
    return platform::FromCp1252(cp1252).toStdString();
}

} // namespace

std::string IsoCallDate(std::string_view date) {
    // The log writes strftime's "%d/%m/%y %H:%M:%S": always 17 characters.
    if (date.size() != 17 || date[2] != '/' || date[5] != '/' || date[8] != ' ' ||
        date[11] != ':' || date[14] != ':')
        return std::string(date);
    const int day = TwoDigits(date, 0), month = TwoDigits(date, 3), year = TwoDigits(date, 6);
    const int hour = TwoDigits(date, 9), minute = TwoDigits(date, 12), second = TwoDigits(date, 15);
    if (!QDate::isValid(2000 + year, month, day) || !QTime::isValid(hour, minute, second))
        return std::string(date); // a negative part (not a digit) is caught here too
    char iso[20];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d", 2000 + year, month, day, hour,
                  minute, second);
    return iso;
}

ExportReport ExportHistory(const std::string& callLogPath, const std::string& outPath) {
    ExportReport report;
    const auto cannotRead = [&](int error) {
        //: %1 is the call log's path, %2 the system's reason.
        report.error = platform::FillIn(
            QCoreApplication::translate("HistoryExport",
                                        "Impossible de lire le journal des appels « %1 » : %2."),
            {callLogPath, std::generic_category().message(error)});
        return report;
    };
    CallLogLineReader reader(callLogPath);
    std::string csv = "\xEF\xBB\xBF"
                      "Date,Numéro,Numéro appelé,Nom\r\n";
    std::string line;
    std::size_t calls = 0;
    while (reader.Next(line)) {
        if (line.empty())
            continue;
        const CallLogFields fields = SplitCallLogLine(line);
        AppendCsvField(csv, IsoCallDate(fields[0]), ',');
        for (std::size_t i = 1; i < fields.size(); ++i) {
            csv += ',';
            AppendCsvField(csv, Utf8(fields[i]), ',');
        }
        csv += "\r\n";
        ++calls;
    }
    if (reader.Failed())
        return cannotRead(reader.Error());

    report.error = WriteExportFile(outPath, csv);
    report.ok = report.error.empty();
    report.count = report.ok ? calls : 0;
    return report;
}
