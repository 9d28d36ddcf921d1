// The lists of called and ignored numbers in the "Lignes" dialog, on real widgets: each change
// is in the registry at once, what can't be stored is refused with a box.

#include "line/CallMonitorLine.h"
#include "line/CapiLine.h"
#include "line/LineSupervisor.h"
#include "resources/Resources.h"
#include "settings/NumberLists.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"
#include "ui/DialogUnits.h"
#include "ui/LinesDlg.h"
#include "ui/ListCtrl.h"
#include "ui/NumbersPanel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using Labels = std::vector<std::pair<std::string, std::string>>;
using Entries = std::vector<std::string>;

namespace {

class NumbersPanelTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testing_support::EnsureApplication();
        InitTintorelResources();
    }
    void SetUp() override {
        m_lines.Add(std::make_unique<line::CallMonitorSource>());
        m_lines.Add(std::make_unique<line::CapiSource>());
        m_dlg = std::make_unique<CLinesDlg>(m_lines);
        m_dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dlg.get()));
    }
    void TearDown() override {
        m_dlg.reset();
        m_lines.Stop();
    }

    template <typename T = QWidget> T* Control(int id) {
        auto* w = qobject_cast<T*>(ui::FindControl(m_dlg.get(), id));
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }
    void Fill(int id, const QString& text) { Control<QLineEdit>(id)->setText(text); }
    void Click(int id) { Control<QPushButton>(id)->click(); }
    void ClickRow(int list, int row) {
        auto* view = Control<ui::CListCtrl>(list);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(row, 0)).center());
    }
    std::vector<std::string> Rows(int list, int column = 0) {
        std::vector<std::string> rows;
        auto* view = Control<ui::CListCtrl>(list);
        for (int i = 0; i < view->GetItemCount(); ++i)
            rows.push_back(view->GetItemText(i, column));
        return rows;
    }
    std::string RegistryFile() const {
        std::ifstream in(m_env.RegistryPath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    testing_support::TestEnv m_env;
    testing_support::BoxRecorder m_boxes;
    line::LineSupervisor m_lines;
    std::unique_ptr<CLinesDlg> m_dlg;
};

} // namespace

TEST_F(NumbersPanelTest, TheListsSitAboveOkWhateverTheDialogHoldsAboveThem) {
    const QWidget* panel = m_dlg->NumbersPanel();
    ASSERT_NE(panel, nullptr);
    const QWidget* ok = Control(1);
    EXPECT_EQ(panel->geometry(),
              QRect(0, ui::DluToPixelsY(140), ui::DluToPixelsX(262), ui::DluToPixelsY(170)));
    EXPECT_EQ(ok->geometry(),
              ui::DluToPixels(QRect(205, 140, 50, 14)).translated(0, panel->height()));
    EXPECT_EQ(m_dlg->size(), ui::DluToPixels(QSize(262, 161)) + QSize(0, panel->height()));
    // Nothing of the template is hidden under them.
    for (const QWidget* child : m_dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != panel && child != ok) {
            EXPECT_LE(child->geometry().bottom(), panel->y()) << child->objectName().toStdString();
        }
    }
    EXPECT_EQ(Rows(CNumbersPanel::IDC_LABELS), Entries{});
    EXPECT_FALSE(Control(CNumbersPanel::IDC_CHANGE_LABEL)->isEnabled());
    EXPECT_FALSE(Control(CNumbersPanel::IDC_REMOVE_LABEL)->isEnabled());
    EXPECT_FALSE(Control(CNumbersPanel::IDC_REMOVE_IGNORED)->isEnabled());
}

TEST_F(NumbersPanelTest, CalledNumbersAreAddedChangedAndRemovedAtOnce) {
    Fill(CNumbersPanel::IDC_LABEL_NUMBER, QStringLiteral(" 021 987 65 43 "));
    Fill(CNumbersPanel::IDC_LABEL_TEXT, QStringLiteral("Bureau"));
    Click(CNumbersPanel::IDC_ADD_LABEL);
    Fill(CNumbersPanel::IDC_LABEL_NUMBER, QStringLiteral("0219876544"));
    Fill(CNumbersPanel::IDC_LABEL_TEXT, QStringLiteral("Maison à Lausanne"));
    // Enter in a field adds, and leaves the dialog open.
    QTest::keyClick(Control(CNumbersPanel::IDC_LABEL_TEXT), Qt::Key_Return);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(settings::ReadCalledLabels(),
              (Labels{{"021 987 65 43", "Bureau"}, {"0219876544", "Maison \xe0 Lausanne"}}));
    EXPECT_NE(RegistryFile().find("[HKEY_LOCAL_MACHINE\\Software\\Tintorel\\Labels]\n"
                                  "\"021 987 65 43\"=\"Bureau\"\n"),
              std::string::npos)
        << RegistryFile();
    EXPECT_EQ(Rows(CNumbersPanel::IDC_LABELS), (Entries{"021 987 65 43", "0219876544"}));

    // A row chosen fills the fields; "Modifier" changes it, number included.
    ClickRow(CNumbersPanel::IDC_LABELS, 1);
    EXPECT_EQ(Control<QLineEdit>(CNumbersPanel::IDC_LABEL_NUMBER)->text(),
              QStringLiteral("0219876544"));
    EXPECT_EQ(Control<QLineEdit>(CNumbersPanel::IDC_LABEL_TEXT)->text(),
              QStringLiteral("Maison à Lausanne"));
    Fill(CNumbersPanel::IDC_LABEL_NUMBER, QStringLiteral("0219876545"));
    Fill(CNumbersPanel::IDC_LABEL_TEXT, QStringLiteral("Fax"));
    Click(CNumbersPanel::IDC_CHANGE_LABEL);
    EXPECT_EQ(settings::ReadCalledLabels(),
              (Labels{{"021 987 65 43", "Bureau"}, {"0219876545", "Fax"}}));

    ClickRow(CNumbersPanel::IDC_LABELS, 0);
    Click(CNumbersPanel::IDC_REMOVE_LABEL);
    EXPECT_EQ(settings::ReadCalledLabels(), (Labels{{"0219876545", "Fax"}}));
    EXPECT_EQ(Rows(CNumbersPanel::IDC_LABELS, 1), Entries{"Fax"});
    EXPECT_EQ(m_boxes.Count(), 0u);

    // What can't be stored is refused with a box, and nothing changes.
    const std::pair<QString, QString> refused[] = {
        {QStringLiteral("0219876546"), QString()},
        {QStringLiteral("bureau"), QStringLiteral("Bureau")},
        {QStringLiteral("0219876546"), QStringLiteral("Bureau ✓")},
    };
    for (const auto& [number, label] : refused) {
        Fill(CNumbersPanel::IDC_LABEL_NUMBER, number);
        Fill(CNumbersPanel::IDC_LABEL_TEXT, label);
        Click(CNumbersPanel::IDC_ADD_LABEL);
    }
    ASSERT_EQ(m_boxes.Count(), 3u);
    EXPECT_EQ(m_boxes.Requests()[0].text, QStringLiteral("Pas de numéro appelé ou de nom"));
    EXPECT_TRUE(m_boxes.Requests()[1].text.startsWith(QStringLiteral("Ce numéro contient")));
    EXPECT_TRUE(m_boxes.Requests()[2].text.startsWith(QStringLiteral("Ce nom contient")));
    EXPECT_EQ(settings::ReadCalledLabels(), (Labels{{"0219876545", "Fax"}}));
}

TEST_F(NumbersPanelTest, IgnoredNumbersAreAddedAndRemovedAtOnce) {
    for (const QString& typed : {QStringLiteral("anonyme"), QStringLiteral("0900 *"),
                                 QStringLiteral("+41 79 123 45 67")}) {
        Fill(CNumbersPanel::IDC_IGNORED_ENTRY, typed);
        QTest::keyClick(Control(CNumbersPanel::IDC_IGNORED_ENTRY), Qt::Key_Return);
        EXPECT_TRUE(Control<QLineEdit>(CNumbersPanel::IDC_IGNORED_ENTRY)->text().isEmpty());
    }
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(settings::ReadIgnoredNumbers(), (Entries{"+41 79 123 45 67", "0900 *", "Anonyme"}));
    EXPECT_NE(RegistryFile().find("[HKEY_LOCAL_MACHINE\\Software\\Tintorel\\Ignored]\n"
                                  "\"+41 79 123 45 67\"=\"\"\n\"0900 *\"=\"\"\n\"Anonyme\"=\"\"\n"),
              std::string::npos)
        << RegistryFile();

    for (const QString& typed :
         {QStringLiteral("*"), QStringLiteral("Inconnu"), QStringLiteral("09*00"), QString()}) {
        Fill(CNumbersPanel::IDC_IGNORED_ENTRY, typed);
        Click(CNumbersPanel::IDC_ADD_IGNORED);
    }
    ASSERT_EQ(m_boxes.Count(), 4u);
    EXPECT_EQ(m_boxes.Requests()[0].text,
              QStringLiteral("Indiquez un numéro, un début de numéro suivi de * (par exemple "
                             "0900*) ou Anonyme. Rien n'a été enregistré."));
    EXPECT_EQ(settings::ReadIgnoredNumbers().size(), 3u);

    ClickRow(CNumbersPanel::IDC_IGNORED, 1);
    EXPECT_TRUE(Control(CNumbersPanel::IDC_REMOVE_IGNORED)->isEnabled());
    Click(CNumbersPanel::IDC_REMOVE_IGNORED);
    EXPECT_EQ(settings::ReadIgnoredNumbers(), (Entries{"+41 79 123 45 67", "Anonyme"}));
    EXPECT_EQ(Rows(CNumbersPanel::IDC_IGNORED), (Entries{"+41 79 123 45 67", "Anonyme"}));
}
