// What the user does with the history beyond reading it: the filter, the row menu, the export.
// Real widgets offscreen, the log and the phonebook as real files in the test's folder.

#include "ui/CallListDlg.h"

#include "ui/DialogUnits.h"
#include "ui/FileDialog.h"
#include "ui/ListCtrl.h"
#include "ui/PhonebookDlg.h"
#include "resources/Resources.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

using testing_support::BoxRecorder;
using testing_support::TestEnv;
using ui::CListCtrl;

namespace {

// Zoé Dupont, an anonymous call, ÉLODIE MARTIN, a number the directory didn't know, Pétit.
const std::string kLog = "01/02/24 10:00:00;0791234567;0441111111;Zo\xE9 Dupont\r\n"
                         "01/02/24 10:01:00;Anonyme;0441111111;\r\n"
                         "01/02/24 10:02:00;0223334455;0441111111;\xC9LODIE MARTIN\r\n"
                         "01/02/24 10:03:00;0791230000;0441111111;Inconnu\r\n"
                         "01/02/24 10:04:00;0310000000;0441111111;Boulangerie P\xE9tit\r\n";

class CallListActionsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testing_support::EnsureApplication();
        InitTintorelResources();
    }

    void Open() {
        m_env.WriteFile("isdncall.log", kLog);
        m_dlg = std::make_unique<CCallListDlg>();
        m_dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dlg.get()));
    }

    CListCtrl* List() { return qobject_cast<CListCtrl*>(ui::FindControl(m_dlg.get(), 1007)); }
    QLineEdit* Filter() { return qobject_cast<QLineEdit*>(ui::FindControl(m_dlg.get(), 1030)); }

    // The names of the rows shown, as the user reads them.
    std::vector<QString> Names() {
        std::vector<QString> names;
        for (int r = 0; r < List()->GetItemCount(); ++r)
            names.push_back(List()->model()->index(r, 3).data().toString());
        return names;
    }

    void Type(const QString& text) {
        Filter()->setFocus();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, Filter(), Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
    }

    // A right click on a row; the menu it pops up.
    QMenu* RowMenu(int row) {
        QWidget* viewport = List()->viewport();
        const QPoint at = List()->visualRect(List()->model()->index(row, 1)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }

    // Runs "Ajouter à l'annuaire" of a row and hands the editor it opens to check.
    void AddToPhonebook(int row, const std::function<void(CPhonebookDlg&)>& check) {
        QMenu* menu = RowMenu(row);
        ASSERT_NE(menu, nullptr);
        bool seen = false;
        QTimer poll; // runs inside the editor's modal loop
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* editor = m_dlg->findChild<CPhonebookDlg*>();
            if (!editor || !editor->isVisible())
                return;
            poll.stop();
            check(*editor);
            seen = true;
            editor->reject();
        });
        poll.start(10);
        menu->actions().value(1)->trigger();
        menu->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return seen; }, 5000));
    }

    TestEnv m_env;
    BoxRecorder m_boxes;
    std::unique_ptr<CCallListDlg> m_dlg;
};

QString Field(CPhonebookDlg& editor, int id) {
    return qobject_cast<QLineEdit*>(ui::FindControl(&editor, id))->text();
}

} // namespace

TEST_F(CallListActionsTest, FilterNarrowsAsYouTypeWithoutCaseOrAccents) {
    Open();
    // Below the list, beside OK, which stay where the template has them.
    EXPECT_EQ(Filter()->geometry(), ui::DluToPixels(QRect(36, 180, 110, 14)));
    auto* exportButton = qobject_cast<QPushButton*>(ui::FindControl(m_dlg.get(), 1031));
    ASSERT_NE(exportButton, nullptr);
    EXPECT_EQ(exportButton->text(), QStringLiteral("Exporter..."));
    EXPECT_EQ(m_dlg->focusWidget(), ui::FindControl(m_dlg.get(), 1));
    ASSERT_EQ(List()->GetItemCount(), 5);

    Type(QStringLiteral("ZOE"));
    EXPECT_EQ(Names(), std::vector<QString>{QStringLiteral("Zoé Dupont")});
    Filter()->clear();
    Type(QStringLiteral("élodie mar"));
    EXPECT_EQ(Names(), std::vector<QString>{QStringLiteral("ÉLODIE MARTIN")});
    // Items are the rows shown: the row's cells are the call's.
    EXPECT_EQ(List()->GetItemText(0, 1), "0223334455");
    Filter()->clear();
    Type(QStringLiteral("petit"));
    EXPECT_EQ(Names(), std::vector<QString>{QStringLiteral("Boulangerie Pétit")});

    // Part of a caller's number, written as people do; the called number is not searched.
    Filter()->clear();
    Type(QStringLiteral("079 123"));
    EXPECT_EQ(Names(),
              (std::vector<QString>{QStringLiteral("Zoé Dupont"), QStringLiteral("Inconnu")}));
    Filter()->clear();
    Type(QStringLiteral("0441111"));
    EXPECT_EQ(List()->GetItemCount(), 0);

    // A row selected while filtered stays selected once the filter is emptied (Escape empties
    // it and leaves the window open), and every call is back with it in view.
    Filter()->clear();
    Type(QStringLiteral("martin"));
    List()->SetSelectionMark(0);
    QTest::keyClick(Filter(), Qt::Key_Escape);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_TRUE(Filter()->text().isEmpty());
    ASSERT_EQ(List()->GetItemCount(), 5);
    EXPECT_EQ(List()->GetSelectionMark(), 2);
    QTest::keyClick(Filter(), Qt::Key_Return);
    EXPECT_TRUE(m_dlg->isVisible()) << "Enter in the filter closed the window";
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(CallListActionsTest, RowMenuCopiesTheNumberAndOpensTheEditorOnIt) {
    m_env.WriteFile("phonebook.txt", "0223334455;Elodie Martin\r\ncountry;0\r\n");
    Open();
    QMenu* menu = RowMenu(0);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copier le numéro"));
    EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("Ajouter à l'annuaire"));
    menu->actions()[0]->trigger();
    menu->close();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("0791234567"));

    // An anonymous call has no number to copy or store.
    menu = RowMenu(1);
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    EXPECT_FALSE(menu->actions()[1]->isEnabled());
    menu->close();

    // A new entry with the logged name; a lookup's answer is no name; a stored number shows
    // its entry.
    AddToPhonebook(0, [](CPhonebookDlg& editor) {
        EXPECT_EQ(editor.CurrentRow(), -1);
        EXPECT_EQ(Field(editor, 1011), QStringLiteral("0791234567"));
        EXPECT_EQ(Field(editor, 1012), QStringLiteral("Zoé Dupont"));
    });
    AddToPhonebook(3, [](CPhonebookDlg& editor) {
        EXPECT_EQ(Field(editor, 1011), QStringLiteral("0791230000"));
        EXPECT_EQ(Field(editor, 1012), QString());
    });
    AddToPhonebook(2, [](CPhonebookDlg& editor) {
        EXPECT_EQ(editor.CurrentRow(), 0);
        EXPECT_EQ(Field(editor, 1012), QStringLiteral("Elodie Martin"));
    });
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(CallListActionsTest, ExportWritesTheHistoryAsCsv) {
    Open();
    std::vector<ui::FileDialogRequest> asked;
    QString answer = QString::fromStdString(m_env.Path("historique"));
    ui::SetFileDialogAnswerer([&](const ui::FileDialogRequest& request) {
        asked.push_back(request);
        return ui::FileDialogAnswer{answer, request.filters.value(0)};
    });
    auto* exportButton = qobject_cast<QPushButton*>(ui::FindControl(m_dlg.get(), 1031));
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_EQ(asked[0].filters, QStringList{QStringLiteral("Fichiers CSV (*.csv)")});
    // No extension typed: the filter's is added.
    const std::string csv = m_env.ReadFile("historique.csv");
    EXPECT_NE(csv.find("2024-02-01T10:02:00,0223334455,0441111111,ÉLODIE MARTIN\r\n"),
              std::string::npos)
        << csv;
    EXPECT_EQ(m_boxes.Count(), 0u);

    // A folder that isn't there: told, with the error icon.
    answer = QString::fromStdString(m_env.Path("absent/appels.csv"));
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ui::SetFileDialogAnswerer({});
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_boxes.Requests()[0].icon, platform::MsgIcon::Error);
    EXPECT_TRUE(m_boxes.Requests()[0].text.contains(QStringLiteral("appels.csv")));
}
