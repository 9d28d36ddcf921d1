// The call history's filter over a large log: each keystroke in the filter field, from the key
// to the narrowed list painted, typing a name, then a number, then clearing it key by key.
// Usage: call_filter_bench [lines...]   (default: 100000 1000000)
// Runs on any Qt platform; QT_QPA_PLATFORM=offscreen when no display is wanted.

#include "platform/ModulePath.h"
#include "platform/UserMessage.h"
#include "resources/Resources.h"
#include "ui/CallListDlg.h"
#include "ui/DialogUnits.h"
#include "ui/ListCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Lines shaped like the writer's: known names (some accented), unknown and anonymous callers.
void WriteLog(const std::string& path, int lines) {
    static const char* const names[] = {"Martin Dupont", "Zo\xE9 M\xFCller", "Boulangerie P\xE9tit",
                                        "Garage du Lac", "\xC9lodie Favre",  "Jean-Paul Roux"};
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    for (int i = 0; i < lines; ++i) {
        const int s = i % 60, m = (i / 60) % 60, h = (i / 3600) % 24, d = (i / 86400) % 28 + 1;
        if (i % 7 == 3)
            std::fprintf(file, "%02d/02/24 %02d:%02d:%02d;Anonyme;0441234567;\r\n", d, h, m, s);
        else if (i % 7 == 5)
            std::fprintf(file, "%02d/02/24 %02d:%02d:%02d;0%09d;0441234567;Inconnu\r\n", d, h, m, s,
                         310000000 + i);
        else
            std::fprintf(file, "%02d/02/24 %02d:%02d:%02d;0%09d;0441234567;%s %d\r\n", d, h, m, s,
                         790000000 + (i * 7919) % 10000000, names[i % 6], i % 1000);
    }
    std::fclose(file);
}

struct Keystroke {
    double ms;
    int rows;
};

// One key into the field, then the list painted.
Keystroke Press(QLineEdit* filter, ui::CListCtrl* list, QWidget* dlg, const QString& key) {
    QElapsedTimer timer;
    timer.start();
    if (key.isEmpty())
        QTest::keyClick(filter, Qt::Key_Backspace);
    else
        QTest::sendKeyEvent(QTest::Click, filter, Qt::Key_unknown, key, Qt::NoModifier);
    QApplication::processEvents();
    dlg->grab();
    return {timer.nsecsElapsed() / 1e6, list->GetItemCount()};
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InitTintorelResources();
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {100000, 1000000};

    QTemporaryDir dir;
    platform::SetModuleFileNameOverride(dir.path().toStdString() + "/tintorel");
    platform::SetMessageBoxRecorder([](const platform::MessageBoxRequest& box) {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(box.text));
        return platform::IDOK;
    });

    for (int lines : sizes) {
        WriteLog(dir.path().toStdString() + "/isdncall.log", lines);
        CCallListDlg dlg;
        dlg.show();
        QApplication::processEvents();
        auto* list = qobject_cast<ui::CListCtrl*>(ui::FindControl(&dlg, 1007));
        auto* filter = qobject_cast<QLineEdit*>(ui::FindControl(&dlg, 1030));
        if (!list || !filter || list->GetItemCount() != lines) {
            std::fprintf(stderr, "the history did not open with %d rows\n", lines);
            return 1;
        }

        // A name with an accent typed without it, a number written with blanks, each cleared.
        std::vector<QString> keys;
        for (const QString& typed : {QStringLiteral("elodie fa"), QStringLiteral("079 12")}) {
            for (QChar c : typed)
                keys.push_back(QString(c));
            for (qsizetype i = 0; i < typed.size(); ++i)
                keys.push_back(QString());
        }
        std::vector<double> times;
        int narrowest = lines;
        for (const QString& key : keys) {
            const Keystroke k = Press(filter, list, &dlg, key);
            times.push_back(k.ms);
            narrowest = std::min(narrowest, k.rows);
        }
        if (list->GetItemCount() != lines) {
            std::fprintf(stderr, "clearing the filter did not bring every row back\n");
            return 1;
        }
        std::sort(times.begin(), times.end());
        std::printf("%8d lines: %zu keystrokes, %.1f ms median, %.1f ms 90th percentile, "
                    "%.1f ms worst (narrowest: %d rows)\n",
                    lines, times.size(), times[times.size() / 2], times[times.size() * 9 / 10],
                    times.back(), narrowest);
        std::fflush(stdout);
    }
    return 0;
}
