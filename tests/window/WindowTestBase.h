#pragma once
// Shared set-up of the notification window tests: a private folder, recorded message boxes
// and sounds, a QApplication on the offscreen platform and one window.

#include "line/CallAnnouncer.h"
#include "line/CallMonitorLine.h"
#include "line/CallQueue.h"
#include "line/CapiLine.h"
#include "line/LineSupervisor.h"
#include "line/Notification.h"
#include "platform/Sound.h"
#include "resources/Resources.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"
#include "ui/CallPopupDlg.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class WindowTestBase : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testing_support::EnsureApplication();
        InitTintorelResources();
    }

    void SetUp() override {
        platform::SetSoundRecorder([this](unsigned type) {
            std::lock_guard lock(m_soundMutex);
            m_sounds.push_back(type);
        });
        // As the program wires it: the line sources under their owner, and calls from them
        // reaching the handler through the queue of calls.
        m_lines.Add(std::make_unique<line::CallMonitorSource>());
        m_lines.Add(std::make_unique<line::CapiSource>());
        m_dlg = std::make_unique<CCallPopupDlg>(m_state, m_lines);
        QObject::connect(m_dlg.get(), &CCallPopupDlg::Initialised, m_dlg.get(), [this] {
            m_lines.Start([](bool anyLine) {
                RunOnMainWindow([anyLine](CCallPopupDlg& main) { main.OnLinesReady(anyLine); },
                                false);
            });
        });
        QObject::connect(m_dlg.get(), &CCallPopupDlg::Destroying, m_dlg.get(),
                         [this] { m_lines.Stop(); });
        line::Calls().SetHandler(
            [this](const line::IncomingCall& call) { m_handler.IncomingCallHandler(call); });
    }

    void TearDown() override {
        m_dlg.reset();
        line::Calls().SetHandler({});
        platform::SetSoundRecorder({});
    }

    std::vector<unsigned> Sounds() {
        std::lock_guard lock(m_soundMutex);
        return m_sounds;
    }

    // Runs the incoming-call handler on a thread of its own, as the line watcher does, while
    // this (GUI) thread keeps handling events. False when it didn't end in time.
    bool RunCall(const char* calling, const char* called, int timeoutMs = 30000) {
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::string callingText = calling;
        std::string calledText = called;
        std::thread watcher([this, done, callingText, calledText] {
            m_handler.IncomingCallHandler(Call(callingText, calledText));
            done->store(true);
        });
        if (!QTest::qWaitFor([&] { return done->load(); }, timeoutMs)) {
            watcher.detach();
            return false;
        }
        watcher.join();
        return true;
    }

    static line::IncomingCall Call(std::string calling, std::string called) {
        line::IncomingCall call;
        call.calling = std::move(calling);
        call.called = std::move(called);
        return call;
    }

    // The template's client area as painted.
    QImage ClientImage() {
        return m_dlg->grab(m_dlg->ClientRect()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    static int LitPixels(const QImage& image, const QRect& box) {
        int lit = 0;
        const QRect area = box.intersected(image.rect());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                    ++lit;
        return lit;
    }

    testing_support::TestEnv m_env;
    testing_support::BoxRecorder m_boxes;
    line::NotificationState m_state;
    line::CallAnnouncer m_handler{m_state, MainWindowView()};
    line::LineSupervisor m_lines;
    std::unique_ptr<CCallPopupDlg> m_dlg;
    std::mutex m_soundMutex;
    std::vector<unsigned> m_sounds;
};
