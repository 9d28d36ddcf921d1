#pragma once
// One copy's MQTT client as the tests see it: the calls it hands over and the states it
// reports, each waited for.

#include "line/MqttClient.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class TestCopy {
  public:
    explicit TestCopy(const std::string& clientId,
                      std::chrono::milliseconds handling = std::chrono::milliseconds(0))
        : client(
              clientId,
              [this, handling](line::IncomingCall call) {
                  std::this_thread::sleep_for(handling);
                  std::lock_guard lock(m_mutex);
                  m_calls.push_back(std::move(call));
                  m_changed.notify_all();
              },
              [this](const line::LineStatus& status) {
                  std::lock_guard lock(m_mutex);
                  m_states.push_back(status.state);
                  m_changed.notify_all();
              }) {}

    // Starts the client on the URL and waits until it is connected.
    bool Connect(const std::string& url) {
        return client.Start(url) && WaitForState(line::LineState::Connected);
    }
    // Waits until the state last reported is this one.
    bool WaitForState(line::LineState state,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout,
                                  [&] { return !m_states.empty() && m_states.back() == state; });
    }
    bool WaitForCalls(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_calls.size() >= n; });
    }
    std::vector<line::IncomingCall> Calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    std::vector<line::LineState> States() const {
        std::lock_guard lock(m_mutex);
        return m_states;
    }

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<line::IncomingCall> m_calls;
    std::vector<line::LineState> m_states;

  public:
    // Last, so it goes first: its threads use the members above.
    line::MqttClient client;
};

} // namespace testing_support
