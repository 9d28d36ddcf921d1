#include "ui/CallListDlg.h"

#include "ui/DialogUnits.h"
#include "ui/ListCtrl.h"
#include "ui/MessageBox.h"
#include "resources/Resources.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <array>
#include <fstream>
#include <iconv.h>
#include <string>
#include <sys/stat.h>
#include <vector>

using testing_support::BoxRecorder;
using testing_support::TestEnv;
using ui::CListCtrl;

namespace {

using Row = std::array<std::string, 4>;

class CallListDlgTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testing_support::EnsureApplication();
        InitTintorelResources();
    }

    CListCtrl* List(CCallListDlg& dlg) {
        return qobject_cast<CListCtrl*>(ui::FindControl(&dlg, 1007));
    }

    std::vector<Row> Rows(CListCtrl* list) {
        std::vector<Row> rows;
        for (int r = 0; r < list->GetItemCount(); ++r)
            rows.push_back({list->GetItemText(r, 0), list->GetItemText(r, 1),
                            list->GetItemText(r, 2), list->GetItemText(r, 3)});
        return rows;
    }

    QString Shown(CListCtrl* list, int row, int column) {
        return list->model()->index(row, column).data(Qt::DisplayRole).toString();
    }

    void AppendLog(const std::string& bytes) {
        std::ofstream out(m_env.Path("isdncall.log"), std::ios::binary | std::ios::app);
        out << bytes;
    }

    TestEnv m_env;
    BoxRecorder m_boxes;
};

} // namespace

TEST_F(CallListDlgTest, NoLogFileReportsOnceThenShowsEmptyList) {
    CCallListDlg dlg;
    ASSERT_EQ(m_boxes.Count(), 1u);
    platform::MessageBoxRequest box = m_boxes.Requests()[0];
    EXPECT_EQ(box.text, QStringLiteral("Erreur lors de la lecture du logfile !!"));
    EXPECT_EQ(box.caption, QStringLiteral("tintorel"));
    EXPECT_EQ(box.icon, platform::MsgIcon::Error);
    EXPECT_EQ(box.buttons, platform::MsgButtons::Ok);
    EXPECT_TRUE(box.hasOwner);
    EXPECT_FALSE(m_env.FileExists("isdncall.log")); // reading never creates the log

    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Liste des appels"));
    QList<QSize> iconSizes = dlg.windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(32, 32)) && iconSizes.contains(QSize(16, 16)));
    EXPECT_EQ(dlg.size(), ui::DluToPixels(QSize(265, 201)));
    // The template's 8-point font, the one the dialog units are measured in.
    EXPECT_EQ(dlg.font().pointSize(), 8);
    EXPECT_EQ(dlg.font().family(), QStringLiteral("Liberation Sans"));
    CListCtrl* list = List(dlg);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->geometry(), ui::DluToPixels(QRect(7, 7, 251, 161)));
    auto* ok = qobject_cast<QPushButton*>(ui::FindControl(&dlg, 1));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());

    EXPECT_EQ(list->GetItemCount(), 0);
    const QString titles[] = {QStringLiteral("Date"), QStringLiteral("Numéro"),
                              QStringLiteral("MSN"), QStringLiteral("Nom")};
    const int widths[] = {100, 80, 80, 170};
    ASSERT_EQ(list->model()->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                  titles[c]);
        EXPECT_EQ(list->columnWidth(c), widths[c]);
    }
    EXPECT_TRUE(list->showGrid());
    EXPECT_FALSE(list->FullRowSelect());

    // Opening with no file still works and ends with OK.
    QTimer::singleShot(0, &dlg, [&] { QTest::mouseClick(ok, Qt::LeftButton); });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST_F(CallListDlgTest, EmptyOrUnreadableLog) {
    m_env.WriteFile("isdncall.log", "");
    {
        CCallListDlg dlg;
        EXPECT_EQ(m_boxes.Count(), 0u);
        EXPECT_EQ(List(dlg)->GetItemCount(), 0);
    }
    // A log that opens but can't be read (here a folder in its place) is a read error.
    std::remove(m_env.Path("isdncall.log").c_str());
    ASSERT_EQ(mkdir(m_env.Path("isdncall.log").c_str(), 0700), 0);
    CCallListDlg dlg;
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_boxes.Requests()[0].text,
              QStringLiteral("Erreur lors de la lecture du logfile !!"));
    EXPECT_EQ(List(dlg)->GetItemCount(), 0);
}

TEST_F(CallListDlgTest, RecordShapesLandInTheirColumnsUnchanged) {
    m_env.WriteFile("isdncall.log", "01/02/03 04:05:06;123;456;Martin\r\n"
                                    "01/02/03 04:05:07;Anonyme;456;\r\n"
                                    "01/02/03 04:05:08;789;;Durand\r\n"
                                    ";111;222;Sans date\r\n"
                                    "01/02/03 04:05:09;333\r\n"
                                    "\r\n"
                                    "01/02/03 04:05:10;444;555;Dupont; Jean;Paris\r\n"
                                    "01/02/03 04:05:11;666;777;100% %s %d <b>gras</b> &amp;\r\n"
                                    "just a date\r\n");
    CCallListDlg dlg;
    EXPECT_EQ(m_boxes.Count(), 0u);
    CListCtrl* list = List(dlg);
    std::vector<Row> want = {
        {"01/02/03 04:05:06", "123", "456", "Martin"},
        {"01/02/03 04:05:07", "Anonyme", "456", ""},
        {"01/02/03 04:05:08", "789", "", "Durand"},
        {"", "111", "222", "Sans date"},
        {"01/02/03 04:05:09", "333", "", ""},
        {"", "", "", ""},
        {"01/02/03 04:05:10", "444", "555", "Dupont; Jean;Paris"},
        {"01/02/03 04:05:11", "666", "777", "100% %s %d <b>gras</b> &amp;"},
        {"just a date", "", "", ""},
    };
    EXPECT_EQ(Rows(list), want);
    // What the user sees is the same text, nothing taken as formatting or markup.
    EXPECT_EQ(Shown(list, 7, 3), QStringLiteral("100% %s %d <b>gras</b> &amp;"));
    EXPECT_EQ(Shown(list, 6, 3), QStringLiteral("Dupont; Jean;Paris"));
    EXPECT_EQ(Shown(list, 5, 0), QString());
}

TEST_F(CallListDlgTest, HighBytesShownAsWindows1252) {
    std::string name;
    for (int b = 0x80; b <= 0xFF; ++b)
        name.push_back(static_cast<char>(b));
    m_env.WriteFile("isdncall.log", "01/02/03 04:05:06;123;456;" + name + "\r\n");

    // The expected characters come from the C library's own code-page table; the five bytes
    // Windows-1252 leaves unassigned show as the control character of the same value.
    QString want;
    iconv_t cd = iconv_open("UTF-8", "WINDOWS-1252");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (unsigned char b : name) {
        char in[1] = {static_cast<char>(b)};
        char out[8];
        char* inp = in;
        char* outp = out;
        std::size_t inLeft = 1, outLeft = sizeof out;
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1))
            want += QChar(char16_t(b));
        else
            want += QString::fromUtf8(out, outp - out);
    }
    iconv_close(cd);
    ASSERT_EQ(want.size(), 128);
    EXPECT_EQ(want[0], QChar(0x20AC)); // the euro sign

    CCallListDlg dlg;
    CListCtrl* list = List(dlg);
    ASSERT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(list->GetItemText(0, 3), name); // the bytes themselves are kept as read
    EXPECT_EQ(Shown(list, 0, 3), want);
}

TEST_F(CallListDlgTest, OpensScrolledToTheNewestCallAndPlaced) {
    std::string text;
    for (int i = 0; i < 500; ++i)
        text +=
            "01/02/03 04:05:06;" + std::to_string(i) + ";456;Name " + std::to_string(i) + "\r\n";
    m_env.WriteFile("isdncall.log", text);

    CCallListDlg dlg;
    CListCtrl* list = List(dlg);
    ASSERT_EQ(list->GetItemCount(), 500);
    EXPECT_EQ(list->GetItemText(0, 1), "0"); // oldest on top
    EXPECT_EQ(list->GetItemText(499, 1), "499");
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);

    bool checked = false;
    QTimer::singleShot(0, &dlg, [&] {
        QApplication::processEvents();
        QRect viewport = list->viewport()->rect();
        QRect last = list->visualRect(list->model()->index(499, 0));
        EXPECT_TRUE(viewport.contains(last)) << "last row not fully visible";
        EXPECT_LT(list->visualRect(list->model()->index(0, 0)).bottom(), 0);
        EXPECT_GT(list->verticalScrollBar()->value(), 0);

        QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        QSize size = dlg.frameGeometry().size();
        EXPECT_EQ(dlg.frameGeometry().topLeft(),
                  QPoint((work.x() + work.width() - size.width()) / 2,
                         (work.y() + work.height() - size.height()) / 2));
        EXPECT_EQ(dlg.focusWidget(), ui::FindControl(&dlg, 1));
        checked = true;
        dlg.accept();
    });
    dlg.exec();
    EXPECT_TRUE(checked);
}

TEST_F(CallListDlgTest, HeaderClickDoesNotSort) {
    m_env.WriteFile("isdncall.log", "03/01/03 10:00:00;300;9;Charlie\r\n"
                                    "01/01/03 10:00:00;100;9;Alice\r\n"
                                    "02/01/03 10:00:00;200;9;Bob\r\n");
    CCallListDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    CListCtrl* list = List(dlg);
    std::vector<Row> before = Rows(list);
    QHeaderView* header = list->horizontalHeader();
    for (int c = 0; c < 4; ++c) {
        QPoint at(header->sectionViewportPosition(c) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(Rows(list), before) << "column " << c;
        EXPECT_EQ(Shown(list, 0, 3), QStringLiteral("Charlie"));
    }
}

TEST_F(CallListDlgTest, CallLoggedWhileOpenShowsAtNextOpening) {
    m_env.WriteFile("isdncall.log", "01/02/03 04:05:06;123;456;Martin\r\n");
    {
        CCallListDlg dlg;
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        AppendLog("01/02/03 04:05:07;789;456;Durand\r\n");
        QTest::qWait(50);
        EXPECT_EQ(List(dlg)->GetItemCount(), 1);
        // The file is not held open: the writer's line went in whole.
        EXPECT_EQ(m_env.ReadFile("isdncall.log"),
                  "01/02/03 04:05:06;123;456;Martin\r\n01/02/03 04:05:07;789;456;Durand\r\n");
    }
    CCallListDlg dlg;
    CListCtrl* list = List(dlg);
    ASSERT_EQ(list->GetItemCount(), 2);
    EXPECT_EQ(Rows(list)[1], (Row{"01/02/03 04:05:07", "789", "456", "Durand"}));
    EXPECT_EQ(m_boxes.Count(), 0u);
}
