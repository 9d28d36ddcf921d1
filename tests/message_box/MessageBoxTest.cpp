#include "ui/MessageBox.h"
#include "platform/ModulePath.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <future>
#include <thread>

using namespace platform;
using namespace ui;
using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

int g_argc = 1;
char g_arg0[] = "message_box_tests";
char* g_argv[] = {g_arg0, nullptr};

// Calls handle (on the GUI thread) with the first visible box, from a timer, so it also
// runs inside the box's own modal loop.
void OnNextBox(QObject* context, std::function<void(QMessageBox*)> handle) {
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, handle] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                timer->stop();
                timer->deleteLater();
                handle(box);
                return;
            }
    });
    timer->start(10);
}

} // namespace

TEST(MessageBox, DisplayNameIsExecutableNameWithoutExtension) {
    SetModuleFileNameOverride("/opt/some.dir/Tintorel.exe");
    EXPECT_EQ(DisplayName(), "Tintorel");
    SetModuleFileNameOverride("/opt/app/tintorel");
    EXPECT_EQ(DisplayName(), "tintorel");
    SetModuleFileNameOverride(std::nullopt);
    EXPECT_EQ(DisplayName(), "tintorel");
    SetModuleFileNameOverride("/opt/app/");
    EXPECT_EQ(DisplayName(), "tintorel");
    ResetModuleFileNameOverride();
    EXPECT_EQ(DisplayName(), "message_box_tests");
}

TEST(MessageBox, RecorderSeesRequestsAndAnswersFromAnyThread) {
    TestEnv env;
    BoxRecorder recorder;
    recorder.QueueAnswer(IDNO);
    EXPECT_EQ(ShowMessageBox("Supprimer ?", "Annuaire", MsgIcon::Question, MsgButtons::YesNo),
              IDNO);
    // Queue empty: OK. Empty caption resolves to the display name.
    int fromThread = 0;
    std::thread([&] { fromThread = ShowMessageBox("Erreur <b>&", {}, MsgIcon::Error); }).join();
    EXPECT_EQ(fromThread, IDOK);

    auto requests = recorder.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text, "Supprimer ?");
    EXPECT_EQ(requests[0].caption, "Annuaire");
    EXPECT_EQ(requests[0].icon, MsgIcon::Question);
    EXPECT_EQ(requests[0].buttons, MsgButtons::YesNo);
    EXPECT_FALSE(requests[0].hasOwner);
    EXPECT_EQ(requests[1].text, "Erreur <b>&");
    EXPECT_EQ(requests[1].caption, "tintorel");
    EXPECT_EQ(requests[1].icon, MsgIcon::Error);
    EXPECT_EQ(requests[1].buttons, MsgButtons::Ok);
}

TEST(MessageBox, WithoutApplicationAnswersOk) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessageBox("Pas de fenêtre", "Titre", MsgIcon::Error, MsgButtons::YesNo), IDOK);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Pas de fenêtre"), std::string::npos);
}

TEST(MessageBox, BoxFromWorkerThreadIsShownOnGuiThreadAndBlocksUntilAnswered) {
    TestEnv env;
    QApplication app(g_argc, g_argv);
    QWidget mainWindow;
    SetMessageBoxMainWindow(&mainWindow);

    std::atomic<bool> returned{false};
    bool seen = false;
    OnNextBox(&app, [&](QMessageBox* box) {
        seen = true;
        EXPECT_EQ(box->thread(), app.thread());
        EXPECT_EQ(box->text(), "Fichier <x> & co");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->windowTitle(), "tintorel");
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(box->parentWidget(), &mainWindow);
        QThread::msleep(50);
        EXPECT_FALSE(returned.load()); // still waiting for the user
        box->button(QMessageBox::No)->click();
    });
    auto answer = std::async(std::launch::async, [&] {
        int a = ShowMessageBox("Fichier <x> & co", {}, MsgIcon::Warning, MsgButtons::YesNoCancel);
        returned = true;
        return a;
    });
    // processEvents returns at once when nothing is pending: wait by the clock.
    QDeadlineTimer deadline(30000);
    while (!returned && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    ASSERT_TRUE(returned.load());
    EXPECT_TRUE(seen);
    EXPECT_EQ(answer.get(), IDNO);
}

TEST(MessageBox, BoxOnGuiThreadWithGoneMainWindowHasNoParent) {
    TestEnv env;
    QApplication app(g_argc, g_argv);
    auto* mainWindow = new QWidget;
    SetMessageBoxMainWindow(mainWindow);
    delete mainWindow;

    bool seen = false;
    OnNextBox(&app, [&](QMessageBox* box) {
        seen = true;
        EXPECT_EQ(box->parentWidget(), nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->windowTitle(), "Titre");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(ShowMessageBox("Erreur", "Titre", MsgIcon::Error), IDOK);
    EXPECT_TRUE(seen);
}
