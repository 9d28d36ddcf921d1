// The phonebook editor driven like a user would: real widgets, clicks and keys, the store's
// real file in a private folder, and a local directory server for "Rechercher".

#include "ui/PhonebookDlg.h"
#include "phonebook/Phonebook.h"
#include "ui/ContactsImportJob.h"
#include "platform/Cp1252.h"
#include "ui/DialogUnits.h"
#include "ui/FileDialog.h"
#include "ui/ListCtrl.h"
#include "ui/MessageBox.h"
#include "platform/Registry.h"
#include "resources/Resources.h"
#include "settings/NumberLists.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using platform::IDCANCEL;
using platform::IDNO;
using platform::IDYES;
using platform::MsgButtons;
using platform::MsgIcon;
using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

const std::string kFile = "phonebook.txt";

// A directory that answers on the GUI thread: it can only reply while that thread keeps
// handling events, which is what "Rechercher" must allow.
class GuiThreadDirectory {
  public:
    explicit GuiThreadDirectory(std::string page) : m_page(std::move(page)) {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll().toStdString();
                    if (m_request.find("\r\n\r\n") == std::string::npos)
                        return;
                    if (m_onRequest)
                        m_onRequest();
                    socket->write(m_page.data(), static_cast<qint64>(m_page.size()));
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 Port() const { return m_server.serverPort(); }
    const std::string& Request() const { return m_request; }
    void OnRequest(std::function<void()> f) { m_onRequest = std::move(f); }

  private:
    QTcpServer m_server;
    std::string m_page;
    std::string m_request;
    std::function<void()> m_onRequest;
};

// A page of the Swiss directory holding one name (tags and an entity inside it).
std::string SwissPage(const std::string& nameHtml) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n"
           "<html><body>\n"
           "<table border=\"0\" cellpadding=\"1\" cellspacing=\"0\" width=\"100%\">"
           "<tr><td bgcolor=\"#CCCCCC\"><b>1</b></td>"
           "<td nowrap valign=\"top\" width=\"100%\">" +
           nameHtml + "<br>Rue du Lac 1</td></tr></table>\n</body></html>\n";
}

// Holds the import's thread at its first step of progress until released, so a test can look
// at everything while the import is under way.
class ImportHold {
  public:
    ImportHold() {
        SetImportStepHook([this](int) {
            std::unique_lock lock(m_mutex);
            if (m_held)
                return;
            m_held = true;
            m_changed.notify_all();
            // Not for ever: an import that blocks its caller would hold that thread too.
            m_changed.wait_for(lock, std::chrono::seconds(20), [this] { return m_released; });
        });
    }
    ~ImportHold() {
        Release();
        SetImportStepHook({});
    }
    bool Held() {
        std::lock_guard lock(m_mutex);
        return m_held;
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

// A contacts file of count people, numbers 0790000000 and up.
std::string ManyContacts(int count) {
    std::string csv = "Nom,Numéro\r\n";
    for (int i = 0; i < count; ++i)
        csv += "Personne " + std::to_string(i) + ",079" + std::to_string(10000000 + i).substr(1) +
               "\r\n";
    return csv;
}

void SetAutoConnect(platform::DWORD value) {
    platform::HKEY key = nullptr;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, "Software\\Tintorel",
                                       platform::KEY_WRITE, &key),
              platform::ERROR_SUCCESS);
    platform::RegSetValueEx(key, "AutoConnect", platform::REG_DWORD,
                            reinterpret_cast<const platform::BYTE*>(&value), sizeof value);
    platform::RegCloseKey(key);
}

class PhonebookDlgTest : public ::testing::Test {
  protected:
    void SetUp() override { testing_support::EnsureApplication(); }

    void Open() {
        m_dlg = std::make_unique<CPhonebookDlg>();
        m_dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dlg.get()));
    }

    template <typename T = QWidget> T* Control(int id) {
        auto* w = qobject_cast<T*>(ui::FindControl(m_dlg.get(), id));
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }
    ui::CListCtrl* List() { return Control<ui::CListCtrl>(1007); }
    QLineEdit* Number() { return Control<QLineEdit>(1011); }
    QLineEdit* Name() { return Control<QLineEdit>(1012); }

    void Click(int id) { QTest::mouseClick(Control<QPushButton>(id), Qt::LeftButton); }

    void DoubleClickRow(int row) {
        ui::CListCtrl* list = List();
        QPoint at = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // Key presses for any text, accented letters and symbols included.
    static void Type(QWidget* widget, const QString& text) {
        for (QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(widget, static_cast<char>(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
    }

    // Replaces the name field's text the way a user would: select all, type.
    void TypeName(const QString& text) {
        Name()->setFocus();
        Name()->selectAll();
        Type(Name(), text);
    }

    int RowOf(const std::string& number) {
        for (int i = 0; i < List()->GetItemCount(); ++i)
            if (List()->GetItemText(i, 0) == number)
                return i;
        return -1;
    }

    QString Shown(int row, int column) {
        return List()->model()->data(List()->model()->index(row, column)).toString();
    }

    // A phonebook of one entry, and "many.csv" of 3000 people chosen for every import; returns
    // the phonebook file.
    std::string PrepareLargeImport() {
        m_env.WriteFile(kFile, "0221234567;Dupont\r\ncountry;0\r\n");
        m_env.WriteFile("many.csv", ManyContacts(3000));
        const QString chosen = QString::fromStdString(m_env.Path("many.csv"));
        ui::SetFileDialogAnswerer([chosen](const ui::FileDialogRequest&) {
            return ui::FileDialogAnswer{chosen, {}};
        });
        return m_env.ReadFile(kFile);
    }

    void TearDown() override { ui::SetFileDialogAnswerer({}); }

    // The row menu of a row, as a right click opens it.
    QMenu* RowMenu(int row) {
        const QPoint at = List()->visualRect(List()->model()->index(row, 0)).center();
        m_dlg->OnListContextMenu(at);
        QMenu* shown = nullptr;
        for (QMenu* menu : m_dlg->findChildren<QMenu*>())
            if (menu->isVisible())
                shown = menu;
        EXPECT_NE(shown, nullptr);
        return shown;
    }
    static QAction* Action(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }
    static void Close(QMenu* menu) {
        menu->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TestEnv m_env;
    BoxRecorder m_boxes;
    std::unique_ptr<CPhonebookDlg> m_dlg;
};

} // namespace

TEST_F(PhonebookDlgTest, OpensOnEmptyPhonebookWithTemplateLayout) {
    InitTintorelResources();
    Open();
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral("Annuaire"));
    const QList<QSize> iconSizes = m_dlg->windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(32, 32)));
    EXPECT_EQ(m_dlg->size(), ui::DluToPixels(QSize(273, 225)));
    EXPECT_EQ(Control(1021)->geometry(), ui::DluToPixels(QRect(7, 204, 63, 14)));
    EXPECT_EQ(Control(1007)->geometry(), ui::DluToPixels(QRect(7, 49, 259, 145)));
    const std::pair<int, const char*> buttons[] = {
        {1, "OK"},           {1013, "Modifier"},   {1014, "Rétablir"},
        {1015, "Supprimer"}, {1016, "Rechercher"}, {1021, "Nouveau numéro"}};
    for (const auto& [id, text] : buttons)
        EXPECT_EQ(Control<QPushButton>(id)->text(), QString::fromUtf8(text)) << id;
    EXPECT_TRUE(Control<QPushButton>(1013)->isDefault());

    ui::CListCtrl* list = List();
    EXPECT_EQ(list->GetItemCount(), 0);
    ASSERT_EQ(list->model()->columnCount(), 2);
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Numéro"));
    EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Nom"));
    EXPECT_EQ(list->columnWidth(0), 90);
    EXPECT_EQ(list->columnWidth(1), 280);
    EXPECT_TRUE(list->showGrid());
    EXPECT_FALSE(list->FullRowSelect());

    EXPECT_TRUE(Number()->text().isEmpty());
    EXPECT_TRUE(Name()->text().isEmpty());
    EXPECT_FALSE(Number()->isReadOnly());
    EXPECT_EQ(m_dlg->CurrentRow(), -1);

    // The number field takes what is typed; nothing is stored until "Modifier".
    Number()->setFocus();
    QTest::keyClicks(Number(), "02a2-1 3x");
    EXPECT_EQ(Number()->text(), QStringLiteral("02a2-1 3x"));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_FALSE(m_env.FileExists(kFile));
}

TEST_F(PhonebookDlgTest, AddsNewEntryAndShowsItStored) {
    Open();
    Number()->setFocus();
    QTest::keyClicks(Number(), "0221234567");
    TypeName(QStringLiteral("Müller Zoé €"));
    // While the name is typed, "Modifier" is the default button: Enter saves.
    EXPECT_TRUE(Control<QPushButton>(1013)->isDefault());
    QTest::keyClick(Name(), Qt::Key_Return);

    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_TRUE(m_dlg->isVisible()) << "Enter must save, not close";
    EXPECT_EQ(m_env.ReadFile(kFile), "0221234567;M\xFCller Zo\xE9 \x80\r\ncountry;0\r\n");
    ASSERT_EQ(List()->GetItemCount(), 1);
    EXPECT_EQ(Shown(0, 0), QStringLiteral("0221234567"));
    EXPECT_EQ(Shown(0, 1), QStringLiteral("Müller Zoé €"));
    EXPECT_TRUE(Number()->isReadOnly());
    EXPECT_EQ(Number()->text(), QStringLiteral("0221234567"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Müller Zoé €"));
    EXPECT_EQ(m_dlg->CurrentRow(), 0);

    // Empty name: refused with the plain message, nothing written.
    Name()->clear();
    Click(1013);
    ASSERT_EQ(m_boxes.Count(), 1u);
    auto box = m_boxes.Requests()[0];
    EXPECT_EQ(box.text, QStringLiteral("Pas de numéro de téléphone ou de nom"));
    EXPECT_EQ(box.caption, platform::DisplayName());
    EXPECT_EQ(box.icon, MsgIcon::None);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(m_env.ReadFile(kFile), "0221234567;M\xFCller Zo\xE9 \x80\r\ncountry;0\r\n");
}

TEST_F(PhonebookDlgTest, NewEntryOnStoredNumberAsksBeforeOverwriting) {
    m_env.WriteFile(kFile, "123;Dupont\r\ncountry;0\r\n");
    Open();
    Number()->setFocus();
    QTest::keyClicks(Number(), "123");
    TypeName(QStringLiteral("Durand"));

    m_boxes.QueueAnswer(IDNO);
    Click(1013);
    ASSERT_EQ(m_boxes.Count(), 1u);
    auto box = m_boxes.Requests()[0];
    EXPECT_EQ(box.text, QStringLiteral("L'enregistrement existe déjà, l'écraser ?"));
    EXPECT_EQ(box.caption, QStringLiteral("Tintorel - Annuaire"));
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    // No: the stored entry replaces the typed one.
    EXPECT_EQ(Name()->text(), QStringLiteral("Dupont"));
    EXPECT_TRUE(Number()->isReadOnly());
    EXPECT_EQ(m_dlg->CurrentRow(), 0);
    EXPECT_EQ(m_env.ReadFile(kFile), "123;Dupont\r\ncountry;0\r\n");

    Click(1021);
    EXPECT_FALSE(Number()->isReadOnly());
    Number()->setFocus();
    QTest::keyClicks(Number(), "123");
    TypeName(QStringLiteral("Durand"));
    m_boxes.QueueAnswer(IDYES);
    Click(1013);
    EXPECT_EQ(m_boxes.Count(), 2u);
    EXPECT_EQ(m_env.ReadFile(kFile), "123;Durand\r\ncountry;0\r\n");
    EXPECT_EQ(Shown(0, 1), QStringLiteral("Durand"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Durand"));
    EXPECT_TRUE(Number()->isReadOnly());
}

TEST_F(PhonebookDlgTest, ModifyWithUnchangedNameWritesNothing) {
    m_env.WriteFile(kFile, "123;Dupont\r\n456;Martin\r\ncountry;0\r\n");
    Open();
    DoubleClickRow(RowOf("456"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Martin"));
    ASSERT_EQ(std::remove(m_env.Path(kFile).c_str()), 0);

    Click(1013);
    EXPECT_FALSE(m_env.FileExists(kFile)) << "the file was rewritten";
    EXPECT_EQ(m_boxes.Count(), 0u);

    // A changed name of a shown entry is rewritten in place, the row stays the current one.
    int row = m_dlg->CurrentRow();
    TypeName(QStringLiteral("Martin Paul"));
    Click(1013);
    EXPECT_EQ(m_boxes.Count(), 0u);
    std::string file = m_env.ReadFile(kFile);
    EXPECT_NE(file.find("456;Martin Paul\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("123;Dupont\r\n"), std::string::npos) << file;
    EXPECT_EQ(m_dlg->CurrentRow(), row);
    EXPECT_EQ(Shown(row, 1), QStringLiteral("Martin Paul"));
}

TEST_F(PhonebookDlgTest, DoubleClickAfterEditingAsksCancelNoYes) {
    m_env.WriteFile(kFile, "200;Beta\r\n100;Alpha\r\ncountry;0\r\n");
    Open();
    int alpha = RowOf("100"), beta = RowOf("200");
    ASSERT_GE(alpha, 0);
    ASSERT_GE(beta, 0);
    DoubleClickRow(alpha);
    EXPECT_EQ(m_boxes.Count(), 0u) << "nothing typed yet: no question";
    TypeName(QStringLiteral("Alpha2"));

    m_boxes.QueueAnswer(IDCANCEL);
    DoubleClickRow(beta);
    ASSERT_EQ(m_boxes.Count(), 1u);
    auto box = m_boxes.Requests()[0];
    EXPECT_EQ(box.text, QStringLiteral("Voulez-vous enregistrer les modifications effectuées ?"));
    EXPECT_EQ(box.caption, QStringLiteral("Tintorel - Annuaire"));
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(Number()->text(), QStringLiteral("100"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Alpha2"));
    EXPECT_EQ(m_dlg->CurrentRow(), alpha);
    EXPECT_EQ(List()->GetSelectionMark(), alpha);

    m_boxes.QueueAnswer(IDNO);
    DoubleClickRow(beta);
    EXPECT_EQ(m_boxes.Count(), 2u);
    EXPECT_EQ(Number()->text(), QStringLiteral("200"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Beta"));
    EXPECT_EQ(m_dlg->CurrentRow(), beta);
    EXPECT_EQ(m_env.ReadFile(kFile).find("Alpha2"), std::string::npos);

    TypeName(QStringLiteral("Beta2"));
    m_boxes.QueueAnswer(IDYES);
    DoubleClickRow(alpha);
    EXPECT_EQ(m_boxes.Count(), 3u);
    EXPECT_NE(m_env.ReadFile(kFile).find("200;Beta2\r\n"), std::string::npos);
    EXPECT_EQ(Number()->text(), QStringLiteral("100"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Alpha"));

    // Yes on a new entry that sorts before the double-clicked row: that row is still the
    // one shown, though saving moved it.
    Click(1021);
    Number()->setFocus();
    QTest::keyClicks(Number(), "050");
    TypeName(QStringLiteral("Zed"));
    m_boxes.QueueAnswer(IDYES);
    DoubleClickRow(RowOf("200"));
    EXPECT_EQ(m_boxes.Count(), 4u);
    EXPECT_NE(m_env.ReadFile(kFile).find("050;Zed\r\n"), std::string::npos);
    EXPECT_EQ(List()->GetItemCount(), 3);
    EXPECT_EQ(Number()->text(), QStringLiteral("200"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Beta2"));
    EXPECT_EQ(m_dlg->CurrentRow(), RowOf("200"));
}

TEST_F(PhonebookDlgTest, NewNumberDropsEditsWithoutQuestion) {
    m_env.WriteFile(kFile, "123;Dupont\r\ncountry;0\r\n");
    Open();
    DoubleClickRow(0);
    TypeName(QStringLiteral("Dupont Jean"));
    Click(1021);
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_TRUE(Number()->text().isEmpty());
    EXPECT_TRUE(Name()->text().isEmpty());
    EXPECT_FALSE(Number()->isReadOnly());
    EXPECT_EQ(m_dlg->CurrentRow(), -1);
    EXPECT_EQ(m_env.ReadFile(kFile), "123;Dupont\r\ncountry;0\r\n");

    // Already a new entry: the typed texts stay.
    Number()->setFocus();
    QTest::keyClicks(Number(), "789");
    TypeName(QStringLiteral("Nouveau"));
    Click(1021);
    EXPECT_EQ(Number()->text(), QStringLiteral("789"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Nouveau"));
}

TEST_F(PhonebookDlgTest, DeleteRewritesFileAndClearsFields) {
    // LF-only lines: a rewrite is told apart by its CR LF ends.
    m_env.WriteFile(kFile, "123;Dupont\n456;Martin\ncountry;0\n");
    Open();
    Click(1015);
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(List()->GetItemCount(), 2);
    std::string file = m_env.ReadFile(kFile);
    EXPECT_NE(file.find("123;Dupont\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("456;Martin\r\n"), std::string::npos) << file;

    DoubleClickRow(RowOf("123"));
    Click(1015);
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(m_env.ReadFile(kFile), "456;Martin\r\ncountry;0\r\n");
    EXPECT_EQ(List()->GetItemCount(), 1);
    EXPECT_EQ(RowOf("123"), -1);
    EXPECT_TRUE(Number()->text().isEmpty());
    EXPECT_TRUE(Name()->text().isEmpty());
    EXPECT_FALSE(Number()->isReadOnly());
    EXPECT_EQ(m_dlg->CurrentRow(), -1);

    // "Rétablir" brings back the stored name of the number shown.
    DoubleClickRow(RowOf("456"));
    TypeName(QStringLiteral("Autre"));
    Click(1014);
    EXPECT_EQ(Name()->text(), QStringLiteral("Martin"));
    EXPECT_TRUE(Number()->isReadOnly());
}

TEST_F(PhonebookDlgTest, SearchWithoutConnectionShowsResultAndStoresNothing) {
    Open();
    Number()->setFocus();
    QTest::keyClicks(Number(), "0221234567");
    Click(1016);
    EXPECT_EQ(Name()->text(), QStringLiteral("Pas de connection"));
    EXPECT_FALSE(m_env.FileExists(kFile));
    EXPECT_TRUE(m_dlg->isEnabled());
    EXPECT_FALSE(m_dlg->IsSearching());
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(PhonebookDlgTest, SearchAgainstDirectoryKeepsWindowAliveAndStoresOnlyOnModify) {
    GuiThreadDirectory directory(SwissPage("<b>Dupont</b> Jos&eacute;"));
    std::string host = "127.0.0.1:" + std::to_string(directory.Port());
    setenv("TINTOREL_DIRECTORY", host.c_str(), 1);
    SetAutoConnect(1);
    Open();
    Number()->setFocus();
    QTest::keyClicks(Number(), "0221234567");

    // While the directory is asked (its reply is held back until then): the dialog is inert,
    // Escape and the close box do nothing, and a call handed to the GUI thread the way the
    // line watcher does it (a blocking queued call) is served.
    bool inertDuringLookup = false;
    bool stayedOpen = false;
    std::atomic<bool> callShown{false};
    std::thread watcher;
    directory.OnRequest([&] {
        inertDuringLookup = !m_dlg->isEnabled() && m_dlg->IsSearching();
        QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
        m_dlg->close();
        stayedOpen = m_dlg->isVisible();
        watcher = std::thread([&] {
            QMetaObject::invokeMethod(
                qApp, [&] { callShown = true; }, Qt::BlockingQueuedConnection);
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return callShown.load(); }, 10000));
    });
    Click(1016);
    if (watcher.joinable())
        watcher.join();

    EXPECT_NE(directory.Request().find(" HTTP/1.1\r\n"), std::string::npos);
    EXPECT_NE(directory.Request().find("tel=0221234567 HTTP/1.1"), std::string::npos)
        << directory.Request();
    EXPECT_TRUE(inertDuringLookup);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(callShown);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_TRUE(m_dlg->isEnabled());
    EXPECT_EQ(Name()->text(), QStringLiteral("Dupont José"));
    EXPECT_FALSE(m_env.FileExists(kFile)) << "nothing is stored before Modifier";

    Click(1013);
    EXPECT_EQ(m_env.ReadFile(kFile), "0221234567;Dupont Jos\xE9\r\ncountry;0\r\n");
    EXPECT_TRUE(Number()->isReadOnly());
}

TEST_F(PhonebookDlgTest, LongAndPercentNamesShownWhole) {
    std::string longName(300, 'x');
    for (std::size_t i = 0; i < longName.size(); i += 10)
        longName[i] = static_cast<char>('A' + (i / 10) % 26);
    m_env.WriteFile(kFile, "111;" + longName + "\r\n222;100% %s %d <b>Dupont</b> &amp;\r\n" +
                               "country;0\r\n");
    Open();
    int rowLong = RowOf("111"), rowPercent = RowOf("222");
    ASSERT_GE(rowLong, 0);
    ASSERT_GE(rowPercent, 0);
    EXPECT_EQ(Shown(rowLong, 1), QString::fromStdString(longName));
    EXPECT_EQ(Shown(rowPercent, 1), QStringLiteral("100% %s %d <b>Dupont</b> &amp;"));

    // The long name round-trips through the fields untouched.
    DoubleClickRow(rowLong);
    EXPECT_EQ(Name()->text(), QString::fromStdString(longName));
    TypeName(QString::fromStdString(longName + "y"));
    Click(1013);
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_NE(m_env.ReadFile(kFile).find("111;" + longName + "y\r\n"), std::string::npos);
    EXPECT_EQ(Shown(RowOf("111"), 1), QString::fromStdString(longName + "y"));
}

TEST_F(PhonebookDlgTest, NameWithoutWindows1252FormIsRefused) {
    const std::string file = "123;Dupont\r\n555;Zo\xE9\r\ncountry;0\r\n";
    m_env.WriteFile(kFile, file);
    Open();

    // Saving from the question with Yes is refused, and the edit stays as with Cancel.
    DoubleClickRow(RowOf("555"));
    TypeName(QStringLiteral("Zoé ✓"));
    m_boxes.QueueAnswer(IDYES);
    DoubleClickRow(RowOf("123"));
    ASSERT_EQ(m_boxes.Count(), 2u); // the question, then the refusal
    auto box = m_boxes.Requests()[1];
    EXPECT_TRUE(box.text.contains(QStringLiteral("caractères"))) << box.text.toStdString();
    EXPECT_EQ(box.caption, platform::DisplayName());
    EXPECT_EQ(box.icon, MsgIcon::Error);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(Number()->text(), QStringLiteral("555"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Zoé ✓"));
    EXPECT_EQ(m_dlg->CurrentRow(), RowOf("555"));
    EXPECT_EQ(m_env.ReadFile(kFile), file);

    Click(1013);
    EXPECT_EQ(m_boxes.Count(), 3u);
    EXPECT_EQ(m_env.ReadFile(kFile), file);

    // A new entry is refused the same way and stays typed in.
    Click(1021);
    Number()->setFocus();
    QTest::keyClicks(Number(), "777");
    TypeName(QStringLiteral("Zoë ✓ Dupont"));
    Click(1013);
    EXPECT_EQ(m_boxes.Count(), 4u);
    EXPECT_EQ(m_env.ReadFile(kFile), file);
    EXPECT_EQ(Name()->text(), QStringLiteral("Zoë ✓ Dupont"));
    EXPECT_FALSE(Number()->isReadOnly());
}

TEST_F(PhonebookDlgTest, NumbersAreTypedAsPeopleWriteThemAndStoredAsTyped) {
    Open();
    Number()->setFocus();
    QTest::keyClicks(Number(), "+41 (0)79 123.45-67");
    TypeName(QStringLiteral("Martin Paul"));
    Click(1013);
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(m_env.ReadFile(kFile), "+41 (0)79 123.45-67;Martin Paul\r\ncountry;0\r\n");
    // Found by the caller lookup whatever form the line gives.
    EXPECT_EQ(GetPhonebook()->LookupCaller("791234567", NumberKind::National), "Martin Paul");

    // What is no number is refused, and stays typed in.
    for (const char* typed : {"079 CALL ME", "079+12", "--"}) {
        Click(1021);
        Number()->setFocus();
        Number()->clear();
        QTest::keyClicks(Number(), typed);
        TypeName(QStringLiteral("Dupont"));
        m_boxes.Clear();
        Click(1013);
        ASSERT_EQ(m_boxes.Count(), 1u) << typed;
        const auto box = m_boxes.Requests()[0];
        EXPECT_EQ(box.text, QStringLiteral("Ce numéro contient des caractères qui ne font pas "
                                           "partie d'un numéro de téléphone. Il n'a pas été "
                                           "enregistré."));
        EXPECT_EQ(box.icon, MsgIcon::Error);
        EXPECT_EQ(Number()->text(), QString::fromLatin1(typed));
        EXPECT_FALSE(Number()->isReadOnly());
    }
    EXPECT_EQ(m_env.ReadFile(kFile), "+41 (0)79 123.45-67;Martin Paul\r\ncountry;0\r\n");
}

TEST_F(PhonebookDlgTest, TheRowMenuIgnoresANumberAndNoLonger) {
    m_env.WriteFile(kFile, "+41 79 123 45 67;Martin Paul\r\n0900123456;Hotline\r\n"
                           "0311111111;Favre\r\ncountry;0\r\n");
    ASSERT_TRUE(settings::AddIgnoredNumber("0900*"));
    ASSERT_TRUE(settings::AddIgnoredNumber("0041311111111"));
    Open();
    const QString ignore = QStringLiteral("Ignorer ce numéro");
    const QString stop = QStringLiteral("Ne plus ignorer ce numéro");

    QMenu* menu = RowMenu(RowOf("+41 79 123 45 67"));
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(Action(menu, ignore), nullptr);
    EXPECT_TRUE(Action(menu, ignore)->isEnabled());
    EXPECT_EQ(Action(menu, stop), nullptr);
    Action(menu, ignore)->trigger();
    Close(menu);
    EXPECT_EQ(settings::ReadIgnoredNumbers(),
              (std::vector<std::string>{"+41 79 123 45 67", "0041311111111", "0900*"}));

    // Ignored now; "Ne plus ignorer" takes it out again.
    menu = RowMenu(RowOf("+41 79 123 45 67"));
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(Action(menu, stop), nullptr);
    EXPECT_EQ(Action(menu, ignore), nullptr);
    Action(menu, stop)->trigger();
    Close(menu);
    EXPECT_EQ(settings::ReadIgnoredNumbers(), (std::vector<std::string>{"0041311111111", "0900*"}));

    // Listed in another form: that entry goes.
    menu = RowMenu(RowOf("0311111111"));
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(Action(menu, stop), nullptr);
    Action(menu, stop)->trigger();
    Close(menu);
    EXPECT_EQ(settings::ReadIgnoredNumbers(), std::vector<std::string>{"0900*"});

    // A prefix covers it: nothing to add, and the prefix is not this row's to remove.
    menu = RowMenu(RowOf("0900123456"));
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(Action(menu, ignore), nullptr);
    EXPECT_FALSE(Action(menu, ignore)->isEnabled());
    Close(menu);
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(PhonebookDlgTest, EntryAddedByIncomingCallAppearsAtNextRefresh) {
    GuiThreadDirectory directory(SwissPage("Appelant"));
    std::string host = "127.0.0.1:" + std::to_string(directory.Port());
    setenv("TINTOREL_DIRECTORY", host.c_str(), 1);
    SetAutoConnect(1);
    m_env.WriteFile(kFile, "300;Dupont\r\ncountry;0\r\n");
    Open();
    DoubleClickRow(0);
    ASSERT_EQ(m_dlg->CurrentRow(), 0);

    // The line watcher looks the caller up on its own thread while the dialog is open.
    std::atomic<bool> done{false};
    std::string name;
    std::thread watcher([&] {
        name = GetPhonebook()->LookupCaller("100");
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 20000));
    watcher.join();
    EXPECT_EQ(name, "Appelant");
    EXPECT_EQ(List()->GetItemCount(), 1) << "the list changes only at its next refresh";

    Click(1014); // "Rétablir" refreshes the list
    ASSERT_EQ(List()->GetItemCount(), 2);
    EXPECT_EQ(Shown(RowOf("100"), 1), QStringLiteral("Appelant"));
    // The shown entry keeps being the current row though its index moved.
    EXPECT_EQ(m_dlg->CurrentRow(), RowOf("300"));
    DoubleClickRow(RowOf("100"));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(Number()->text(), QStringLiteral("100"));
    EXPECT_EQ(Name()->text(), QStringLiteral("Appelant"));
}

TEST_F(PhonebookDlgTest, OpensCentredInTheWorkAreaNotOverItsCornerOwner) {
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    owner.setGeometry(work.right() - 200, work.bottom() - 80, 200, 80);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));

    CPhonebookDlg dlg(&owner);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QPoint centre = dlg.frameGeometry().center();
    EXPECT_NEAR(centre.x(), work.center().x(), 1);
    EXPECT_NEAR(centre.y(), work.center().y(), 1);
}

TEST_F(PhonebookDlgTest, ImportAsksAboutStoredNamesReportsAndRefreshes) {
    m_env.WriteFile(kFile, "0221234567;Dupont\r\ncountry;0\r\n");
    m_env.WriteFile("in.csv", "Nom;T\xC3\xA9l\xC3\xA9phone\r\nMartin;079 765 43 21\r\n"
                              "Durand;022 123 45 67\r\nSansnum;\r\n");
    QStringList filters;
    ui::SetFileDialogAnswerer([&](const ui::FileDialogRequest& request) {
        filters = request.filters;
        return ui::FileDialogAnswer{QString::fromStdString(m_env.Path("in.csv")), {}};
    });
    Open();
    EXPECT_EQ(Control<QPushButton>(1022)->text(), QStringLiteral("Importer..."));
    EXPECT_EQ(Control<QPushButton>(1023)->text(), QStringLiteral("Exporter..."));
    DoubleClickRow(0); // the stored entry shown, unedited

    // No: stored names stay; the summary says what was left out and why.
    m_boxes.QueueAnswer(IDNO);
    Click(1022);
    EXPECT_TRUE(filters.contains(QStringLiteral("Cartes de visite (*.vcf *.vcard)")));
    ASSERT_EQ(m_boxes.Count(), 2u);
    auto box = m_boxes.Requests()[0];
    EXPECT_EQ(box.caption, QStringLiteral("Tintorel - Annuaire"));
    EXPECT_EQ(box.buttons, MsgButtons::YesNoCancel);
    box = m_boxes.Requests()[1];
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("1 entrées importées, 2 ignorées.\n\n")));
    EXPECT_TRUE(box.text.contains(u"Durand") && box.text.contains(u"Sansnum"))
        << box.text.toStdString();
    ASSERT_EQ(List()->GetItemCount(), 2);
    EXPECT_EQ(Shown(RowOf("0797654321"), 1), QStringLiteral("Martin"));

    // Yes: the entry shown takes the file's name.
    m_boxes.QueueAnswer(IDYES);
    Click(1022);
    EXPECT_EQ(Name()->text(), QStringLiteral("Durand"));
    EXPECT_NE(m_env.ReadFile(kFile).find("0221234567;Durand\r\n"), std::string::npos);
    ui::SetFileDialogAnswerer({});
}

TEST_F(PhonebookDlgTest, ExportWritesTheFormatOfTheChosenFilter) {
    m_env.WriteFile(kFile, "0221234567;Zo\xE9 Dupont\r\ncountry;0\r\n");
    QString answer = QString::fromStdString(m_env.Path("contacts"));
    ui::SetFileDialogAnswerer([&](const ui::FileDialogRequest&) {
        return ui::FileDialogAnswer{answer, QStringLiteral("Fichiers CSV (*.csv)")};
    });
    Open();
    Click(1023);
    EXPECT_NE(m_env.ReadFile("contacts.csv").find("Zoé Dupont"), std::string::npos);
    EXPECT_EQ(m_boxes.Count(), 0u);

    answer = QString::fromStdString(m_env.Path("contacts.txt"));
    Click(1023);
    ui::SetFileDialogAnswerer({});
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_boxes.Requests()[0].icon, MsgIcon::Error);
    EXPECT_FALSE(m_env.FileExists("contacts.txt"));
}

TEST_F(PhonebookDlgTest, ImportRunsBesideCallsAndReplacesThePhonebookAtTheEnd) {
    const std::string before = PrepareLargeImport();
    Open();
    ImportHold hold;

    // While the import is held half-way, on the GUI thread: a call is served, both its lookup
    // in the store and the window's showing; the phonebook file is untouched; the editor
    // stays open and inert; the progress window comes up with its button.
    bool duringImport = false, stayedOpen = false, inert = false, progressShown = false;
    std::string looked, fileMeanwhile;
    std::atomic<bool> callShown{false};
    QString label, button;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held(); }, 10000));
        duringImport = m_dlg->IsImporting();
        std::thread watcher([&] {
            looked = GetPhonebook()->LookupCaller("0221234567");
            QMetaObject::invokeMethod(
                qApp, [&] { callShown = true; }, Qt::BlockingQueuedConnection);
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return callShown.load(); }, 10000));
        watcher.join();
        fileMeanwhile = m_env.ReadFile(kFile);
        inert = !Control<QPushButton>(1022)->isEnabled() && !List()->isEnabled();
        QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
        m_dlg->close();
        stayedOpen = m_dlg->isVisible();
        QProgressDialog* progress = nullptr;
        progressShown = QTest::qWaitFor(
            [&] {
                progress = m_dlg->findChild<QProgressDialog*>();
                return progress && progress->isVisible();
            },
            5000);
        if (progress) {
            label = progress->findChild<QLabel*>()->text();
            button = progress->findChild<QPushButton*>()->text();
        }
        hold.Release();
    });
    m_boxes.QueueAnswer(IDNO);
    Click(1022);

    EXPECT_TRUE(duringImport);
    EXPECT_TRUE(callShown);
    EXPECT_EQ(looked, "Dupont");
    EXPECT_EQ(fileMeanwhile, before);
    EXPECT_TRUE(inert);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(label, QStringLiteral("Importation de « many.csv »..."));
    EXPECT_EQ(button, QStringLiteral("Annuler"));

    // The summary as before, the list and the file with every entry.
    ASSERT_EQ(m_boxes.Count(), 2u);
    EXPECT_EQ(m_boxes.Requests()[1].text, QStringLiteral("3000 entrées importées, 0 ignorées."));
    EXPECT_FALSE(m_dlg->IsImporting());
    EXPECT_TRUE(Control<QPushButton>(1022)->isEnabled());
    EXPECT_EQ(List()->GetItemCount(), 3001);
    const std::string after = m_env.ReadFile(kFile);
    EXPECT_NE(after.find("0221234567;Dupont\r\n"), std::string::npos);
    EXPECT_NE(after.find("0790002999;Personne 2999\r\n"), std::string::npos);
}

TEST_F(PhonebookDlgTest, CancelledImportLeavesThePhonebookAsItWas) {
    const std::string before = PrepareLargeImport();
    Open();

    // "Annuler" on the progress window, then Escape there.
    for (bool escape : {false, true}) {
        ImportHold hold;
        bool cancelled = false;
        QTimer::singleShot(0, [&] {
            QProgressDialog* progress = nullptr;
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    progress = m_dlg->findChild<QProgressDialog*>();
                    return hold.Held() && progress && progress->isVisible();
                },
                10000));
            if (progress) {
                if (escape)
                    QTest::keyClick(progress, Qt::Key_Escape);
                else
                    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
                cancelled = true;
            }
            hold.Release();
        });
        m_boxes.QueueAnswer(IDYES);
        Click(1022);
        EXPECT_TRUE(cancelled);
    }

    // Only the questions: no summary, nothing stored, the editor usable again.
    EXPECT_EQ(m_boxes.Count(), 2u);
    EXPECT_TRUE(m_env.ReadFile(kFile) == before);
    std::string name;
    EXPECT_FALSE(GetPhonebook()->FindEntry("0790000000", name));
    EXPECT_EQ(List()->GetItemCount(), 1);
    EXPECT_FALSE(m_dlg->IsImporting());
    EXPECT_TRUE(Control<QPushButton>(1022)->isEnabled());
}
