#include "tests/support/TestEnv.h"

#include "platform/ModulePath.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {

namespace {

void SetOrUnset(const std::string& name, bool set, const std::string& value) {
    if (set)
        setenv(name.c_str(), value.c_str(), 1);
    else
        unsetenv(name.c_str());
}

} // namespace

std::uint16_t ClosedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

TestEnv::TestEnv() : m_dir(QDir::tempPath() + QStringLiteral("/tintorel-test-XXXXXX")) {
    if (!m_dir.isValid())
        ADD_FAILURE() << "cannot create a temporary folder";
    const std::string dir = Dir();
    const std::string config = dir + "/config";
    mkdir(config.c_str(), 0700);
    const std::string runtime = dir + "/run";
    mkdir(runtime.c_str(), 0700);
    const std::pair<const char*, std::string> vars[] = {
        {"HOME", dir},
        {"XDG_CONFIG_HOME", config},
        {"XDG_DATA_HOME", dir + "/data"},
        {"TINTOREL_REGISTRY", RegistryPath()},
        // The role's lock and the request channel of this test, apart from a running copy's.
        {"XDG_RUNTIME_DIR", runtime},
        // No session bus but the test's own: nothing reaches the desktop of whoever runs them.
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir + "/no-session-bus"},
    };
    for (const auto& [name, value] : vars) {
        const char* old = std::getenv(name);
        m_saved.push_back({name, {old != nullptr, old ? old : ""}});
        setenv(name, value.c_str(), 1);
    }
    // The program speaks the language of the tester's locale: French, as the tests expect,
    // unless a test chooses another.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* old = std::getenv(name);
        m_saved.push_back({name, {old != nullptr, old ? old : ""}});
        unsetenv(name);
    }
    setenv("LANG", "C.UTF-8", 1);
    platform::SetModuleFileNameOverride(ExecutablePath());
}

TestEnv::~TestEnv() {
    platform::ResetModuleFileNameOverride();
    for (const auto& [name, old] : m_saved)
        SetOrUnset(name, old.first, old.second);
}

std::string TestEnv::Dir() const {
    return m_dir.path().toStdString();
}

std::string TestEnv::Path(const std::string& name) const {
    return Dir() + "/" + name;
}

std::string TestEnv::RegistryPath() const {
    return Path("registry.reg");
}

std::string TestEnv::ExecutablePath() const {
    return Path("tintorel");
}

std::string TestEnv::ReadFile(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TestEnv::WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        ADD_FAILURE() << "cannot write " << Path(name);
}

bool TestEnv::FileExists(const std::string& name) const {
    struct stat st;
    return stat(Path(name).c_str(), &st) == 0;
}

BoxRecorder::BoxRecorder() : m_state(std::make_shared<State>()) {
    platform::SetMessageBoxRecorder([state = m_state](const platform::MessageBoxRequest& request) {
        std::lock_guard lock(state->mutex);
        state->requests.push_back(request);
        int answer = platform::IDOK;
        if (!state->answers.empty()) {
            answer = state->answers.front();
            state->answers.pop_front();
        }
        state->changed.notify_all();
        return answer;
    });
}

BoxRecorder::~BoxRecorder() {
    platform::SetMessageBoxRecorder({});
}

void BoxRecorder::QueueAnswer(int answer) {
    std::lock_guard lock(m_state->mutex);
    m_state->answers.push_back(answer);
}

std::vector<platform::MessageBoxRequest> BoxRecorder::Requests() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->requests;
}

std::size_t BoxRecorder::Count() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->requests.size();
}

void BoxRecorder::Clear() {
    std::lock_guard lock(m_state->mutex);
    m_state->requests.clear();
    m_state->answers.clear();
}

bool BoxRecorder::WaitForCount(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_state->mutex);
    return m_state->changed.wait_for(lock, timeout,
                                     [&] { return m_state->requests.size() >= count; });
}

} // namespace testing_support
