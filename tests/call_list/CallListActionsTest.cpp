// The history's filter, row menu and export: real widgets offscreen, the log and the phonebook
// as real files in the test's folder.

#include "ui/CallListDlg.h"

#include "resources/Resources.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"
#include "ui/DialogUnits.h"
#include "ui/FileDialog.h"
#include "ui/ListCtrl.h"
#include "ui/PhonebookDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <string>
#include <utility>
#include <vector>

using ui::CListCtrl;

namespace {

class CallListActionsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::EnsureApplication();
        InitTintorelResources();
        m_env.WriteFile("isdncall.log", "01/02/24 10:00:00;0791234567;0441111111;Zo\xE9 Dupont\r\n"
                                        "01/02/24 10:01:00;Anonyme;0441111111;\r\n"
                                        "01/02/24 10:02:00;0223334455;0441111111;\xC9LODIE\r\n"
                                        "01/02/24 10:03:00;0791230000;0441111111;Inconnu\r\n");
    }

    void Open() {
        m_dlg = std::make_unique<CCallListDlg>();
        m_dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dlg.get()));
    }
    QWidget* Control(int id) { return ui::FindControl(m_dlg.get(), id); }
    CListCtrl* List() { return qobject_cast<CListCtrl*>(Control(1007)); }
    QLineEdit* Filter() { return qobject_cast<QLineEdit*>(Control(1030)); }

    // Types into the emptied filter; the callers' numbers then listed.
    std::vector<std::string> Filtered(const QString& text) {
        Filter()->clear();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, Filter(), Qt::Key_unknown, QString(c), {});
        std::vector<std::string> numbers;
        for (int r = 0; r < List()->GetItemCount(); ++r)
            numbers.push_back(List()->GetItemText(r, 1));
        return numbers;
    }

    // The menu a right click on a row pops up.
    QMenu* RowMenu(int row) {
        const QPoint at = List()->visualRect(List()->model()->index(row, 1)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, List()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(List()->viewport(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }

    // "Ajouter à l'annuaire" on a row: the number and name fields of the editor it opens.
    std::pair<QString, QString> AddToPhonebook(int row) {
        std::pair<QString, QString> fields;
        QTimer poll; // runs inside the editor's modal loop
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* editor = m_dlg->findChild<CPhonebookDlg*>(); editor && editor->isVisible()) {
                fields = {qobject_cast<QLineEdit*>(ui::FindControl(editor, 1011))->text(),
                          qobject_cast<QLineEdit*>(ui::FindControl(editor, 1012))->text()};
                editor->reject();
            }
        });
        poll.start(10);
        RowMenu(row)->actions().value(1)->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !fields.first.isEmpty(); }, 5000));
        return fields;
    }

    testing_support::TestEnv m_env;
    testing_support::BoxRecorder m_boxes;
    std::unique_ptr<CCallListDlg> m_dlg;
};

using Numbers = std::vector<std::string>;

} // namespace

TEST_F(CallListActionsTest, FilterNarrowsAsYouTypeWithoutCaseOrAccents) {
    Open();
    EXPECT_EQ(Filter()->geometry(), ui::DluToPixels(QRect(36, 180, 110, 14)));
    EXPECT_EQ(qobject_cast<QPushButton*>(Control(1031))->text(), QStringLiteral("Exporter..."));

    EXPECT_EQ(Filtered(QStringLiteral("ZOE")), Numbers{"0791234567"});
    EXPECT_EQ(Filtered(QStringLiteral("élo")), Numbers{"0223334455"});
    // Part of the caller's number, written as people do; the called number is not searched.
    EXPECT_EQ(Filtered(QStringLiteral("079 123")), (Numbers{"0791234567", "0791230000"}));
    EXPECT_EQ(Filtered(QStringLiteral("0441")), Numbers{});

    // A row selected while filtered stays selected once Escape empties the filter; the window
    // stays open, and Enter in the filter doesn't close it either.
    Filtered(QStringLiteral("lodie"));
    List()->SetSelectionMark(0);
    QTest::keyClick(Filter(), Qt::Key_Escape);
    QTest::keyClick(Filter(), Qt::Key_Return);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(List()->GetItemCount(), 4);
    EXPECT_EQ(List()->GetSelectionMark(), 2);
}

TEST_F(CallListActionsTest, RowMenuCopiesTheNumberAndOpensTheEditorOnIt) {
    m_env.WriteFile("phonebook.txt", "0223334455;Elodie Favre\r\ncountry;0\r\n");
    Open();
    QMenu* menu = RowMenu(0);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copier le numéro"));
    EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("Ajouter à l'annuaire"));
    menu->actions()[0]->trigger();
    menu->close();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("0791234567"));
    menu = RowMenu(1); // an anonymous call has no number to copy or store
    EXPECT_FALSE(menu->actions()[0]->isEnabled() || menu->actions()[1]->isEnabled());
    menu->close();

    // The logged name prefilled; a lookup's answer is no name; a stored number's entry shown.
    using Fields = std::pair<QString, QString>;
    EXPECT_EQ(AddToPhonebook(0),
              Fields(QStringLiteral("0791234567"), QStringLiteral("Zoé Dupont")));
    EXPECT_EQ(AddToPhonebook(3), Fields(QStringLiteral("0791230000"), QString()));
    EXPECT_EQ(AddToPhonebook(2),
              Fields(QStringLiteral("0223334455"), QStringLiteral("Elodie Favre")));
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(CallListActionsTest, ExportWritesTheHistoryAsCsv) {
    Open();
    QStringList filters;
    ui::SetFileDialogAnswerer([&](const ui::FileDialogRequest& request) {
        filters = request.filters;
        return ui::FileDialogAnswer{QString::fromStdString(m_env.Path("appels")),
                                    request.filters.value(0)};
    });
    QTest::mouseClick(qobject_cast<QPushButton*>(Control(1031)), Qt::LeftButton);
    ui::SetFileDialogAnswerer({});
    EXPECT_EQ(filters, QStringList{QStringLiteral("Fichiers CSV (*.csv)")});
    // No extension typed: the filter's is added.
    EXPECT_NE(m_env.ReadFile("appels.csv").find("2024-02-01T10:02:00,0223334455,0441111111,ÉLODIE"),
              std::string::npos);
    EXPECT_EQ(m_boxes.Count(), 0u);
}
