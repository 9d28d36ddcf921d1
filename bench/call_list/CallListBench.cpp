// Opening the call history over a large log: read, fill, show and scroll to the newest call.
// Usage: call_list_bench [lines...]   (default: 100000 1000000)
// Runs on any Qt platform; QT_QPA_PLATFORM=offscreen when no display is wanted.

#include "ui/DialogUnits.h"
#include "ui/ListCtrl.h"
#include "ui/MessageBox.h"
#include "platform/ModulePath.h"
#include "resources/Resources.h"
#include "ui/CallListDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Lines shaped like the writer's, with the usual mix of known, unknown and anonymous calls.
void WriteLog(const std::string& path, int lines) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    for (int i = 0; i < lines; ++i) {
        int s = i % 60, m = (i / 60) % 60, h = (i / 3600) % 24, d = (i / 86400) % 28 + 1;
        switch (i % 4) {
        case 0:
            std::fprintf(file, "%02d/02/24 %02d:%02d:%02d;0%09d;4412345;Martin Dupont\r\n", d, h, m,
                         s, 210000000 + i);
            break;
        case 1:
            std::fprintf(file, "%02d/02/24 %02d:%02d:%02d;Anonyme;4412345;\r\n", d, h, m, s);
            break;
        case 2:
            std::fprintf(file, "%02d/02/24 %02d:%02d:%02d;0%09d;4412346;Inconnu\r\n", d, h, m, s,
                         330000000 + i);
            break;
        default:
            std::fprintf(file,
                         "%02d/02/24 %02d:%02d:%02d;0%09d;4412345;Boulangerie P\xE9tit; "
                         "Ch\xE2teau-d'\x8C"
                         "x\r\n",
                         d, h, m, s, 440000000 + i);
        }
    }
    std::fclose(file);
}

struct Timing {
    double load = 0;  // construct: read the file and fill the list
    double shown = 0; // + show, lay out, scroll to the end, first paint
};

Timing OpenOnce(int expectedRows) {
    QElapsedTimer timer;
    timer.start();
    CCallListDlg dlg;
    Timing t;
    t.load = timer.nsecsElapsed() / 1e6;
    dlg.show();
    QApplication::processEvents();
    auto* list = qobject_cast<ui::CListCtrl*>(ui::FindControl(&dlg, 1007));
    if (!list || list->GetItemCount() != expectedRows) {
        std::fprintf(stderr, "expected %d rows, got %d\n", expectedRows,
                     list ? list->GetItemCount() : -1);
        std::exit(1);
    }
    dlg.grab(); // forces a full paint of the scrolled list
    t.shown = timer.nsecsElapsed() / 1e6;
    QRect last = list->visualRect(list->model()->index(expectedRows - 1, 0));
    if (!list->viewport()->rect().contains(last)) {
        std::fprintf(stderr, "last row not visible\n");
        std::exit(1);
    }
    return t;
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
    std::string exe = dir.path().toStdString() + "/tintorel";
    platform::SetModuleFileNameOverride(exe);
    platform::SetMessageBoxRecorder([](const platform::MessageBoxRequest& box) {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(box.text));
        return platform::IDOK;
    });
    std::string log = dir.path().toStdString() + "/isdncall.log";

    for (int lines : sizes) {
        WriteLog(log, lines);
        const int runs = lines >= 1000000 ? 3 : 7;
        std::vector<Timing> timings;
        for (int r = 0; r < runs; ++r)
            timings.push_back(OpenOnce(lines));
        auto median = [&](double Timing::*field) {
            std::vector<double> v;
            for (const Timing& t : timings)
                v.push_back(t.*field);
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        auto worst = [&](double Timing::*field) {
            double m = 0;
            for (const Timing& t : timings)
                m = std::max(m, t.*field);
            return m;
        };
        std::printf("%8d lines: read+fill %8.1f ms, open+fill+scroll+paint %8.1f ms median "
                    "(worst %.1f ms, %d runs)\n",
                    lines, median(&Timing::load), median(&Timing::shown), worst(&Timing::shown),
                    runs);
        std::fflush(stdout);
    }
    return 0;
}
