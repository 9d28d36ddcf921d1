// The remote-CAPI server: framing, controller queries, registration and the confirmations.

#include "tools/linesim/LineSim.h"
#include "tools/linesim/Wire.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace linesim {

namespace {

// Control commands of the remote protocol (request; the answer is request + 1).
constexpr std::uint8_t kGetProfile = 0xE0;
constexpr std::uint8_t kRegister = 0xF2;
constexpr std::uint8_t kGetManufacturer = 0xFA;
constexpr std::uint8_t kGetVersion = 0xFC;
constexpr std::uint8_t kGetSerialNumber = 0xFE;

constexpr std::uint8_t kReq = 0x80;
constexpr std::uint8_t kConf = 0x81;
constexpr std::uint8_t kResp = 0x83;
constexpr std::uint8_t kConnect = 0x02;
constexpr std::uint8_t kDisconnect = 0x04;
constexpr std::uint8_t kListen = 0x05;
constexpr std::uint8_t kInd = 0x82;
constexpr std::uint8_t kFacility = 0x80;
constexpr std::uint8_t kDataB3 = 0x86;
constexpr std::uint8_t kManufacturer = 0xFF;

// Larger frames are not CAPI traffic; the connection is dropped.
constexpr std::size_t kMaxFrame = 4096;

// Writes everything or gives up after a few seconds of a peer that does not read.
bool WriteAll(int fd, const Bytes& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 3000) <= 0)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

Bytes Frame(const Bytes& body) {
    // Sized at once: GCC 12 sees the growth of a two-byte vector as a copy out of bounds.
    Bytes f(body.size() + 2);
    const auto len = static_cast<std::uint16_t>(body.size() + 2);
    f[0] = static_cast<std::uint8_t>(len >> 8);
    f[1] = static_cast<std::uint8_t>(len & 0xFF);
    std::copy(body.begin(), body.end(), f.begin() + 2);
    return f;
}

// The canonical command name of a request: "LISTEN" for LISTEN_REQ.
std::string CommandName(std::uint8_t command) {
    std::string name = MessageName(command, kReq);
    const auto pos = name.rfind("_REQ");
    return pos == std::string::npos ? name : name.substr(0, pos);
}

std::string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

// A listening socket on 127.0.0.1:port (0 picks one), the port it got in bound; -1 on failure.
// Non-blocking, so a stale readiness after a restart never blocks the accept.
int Listen(std::uint16_t port, std::uint16_t& bound) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return -1;
    }
    bound = ntohs(addr.sin_port);
    return fd;
}

// Another thread may be polling the socket: shutdown takes effect at once, close alone would
// wait for that poll to return.
void Shut(int fd) {
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

} // namespace

struct LineSim::Client {
    int fd = -1;
    bool application = false;
    std::uint16_t appl = 0;
    Bytes input;
    std::map<int, std::uint32_t> listens; // controller -> CIP mask
};

LineSim::LineSim(Config config) : m_config(std::move(config)) {}

LineSim::~LineSim() {
    Stop();
}

bool LineSim::Start(std::uint16_t port) {
    m_listenFd = Listen(port, m_port);
    if (m_listenFd < 0)
        return false;
    if (::pipe2(m_wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_running = true;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void LineSim::Stop() {
    if (!m_running)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    Wake();
    m_thread.join();
    std::lock_guard lock(m_mutex);
    for (auto& client : m_clients) {
        if (client->fd >= 0)
            ::close(client->fd);
    }
    m_clients.clear();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    ::close(m_wakeFds[0]);
    ::close(m_wakeFds[1]);
    m_listenFd = m_wakeFds[0] = m_wakeFds[1] = -1;
}

void LineSim::Serve() {
    using Clock = std::chrono::steady_clock;
    for (;;) {
        std::vector<pollfd> fds;
        int timeout = 1000;
        {
            std::lock_guard lock(m_mutex);
            if (!m_running)
                return;
            if (m_listenFd < 0) {
                const auto now = Clock::now();
                std::uint16_t bound = 0;
                if (now >= m_relistenAt && (m_listenFd = Listen(m_port, bound)) < 0)
                    m_relistenAt = now + std::chrono::milliseconds(100); // port still taken
                if (m_listenFd < 0) {
                    const auto left =
                        std::chrono::ceil<std::chrono::milliseconds>(m_relistenAt - Clock::now());
                    timeout = static_cast<int>(std::clamp<long long>(left.count(), 0, 1000));
                }
            }
            fds.push_back({m_wakeFds[0], POLLIN, 0});
            fds.push_back({m_listenFd, POLLIN, 0}); // poll skips it while it is -1
            for (auto& client : m_clients)
                fds.push_back({client->fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0) {
            char buf[16];
            while (::read(m_wakeFds[0], buf, sizeof buf) > 0) {
            }
        }
        if (fds[1].revents & POLLIN)
            Accept(fds[1].fd);
        std::lock_guard lock(m_mutex);
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                   [&](const auto& c) { return c->fd == fds[i].fd; });
            if (it != m_clients.end() && !ReadFrom(**it))
                Close(**it);
        }
        m_clients.erase(std::remove_if(m_clients.begin(), m_clients.end(),
                                       [](const auto& c) { return c->fd < 0; }),
                        m_clients.end());
    }
}

void LineSim::Accept(int listenFd) {
    std::lock_guard lock(m_mutex);
    // A restart may have closed it since the poll.
    if (listenFd != m_listenFd)
        return;
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto client = std::make_unique<Client>();
    client->fd = fd;
    m_clients.push_back(std::move(client));
}

bool LineSim::ReadFrom(Client& client) {
    std::uint8_t buf[4096];
    // Frames that arrived before the peer closed still count (a response, then a release).
    bool open = true;
    for (;;) {
        const ssize_t n = ::recv(client.fd, buf, sizeof buf, 0);
        if (n == 0) {
            open = false;
            break;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                open = false;
            break;
        }
        client.input.insert(client.input.end(), buf, buf + n);
    }
    while (client.input.size() >= 2) {
        const std::size_t len = (client.input[0] << 8) | client.input[1];
        if (len < 2 || len > kMaxFrame)
            return false;
        if (client.input.size() < len)
            break;
        Bytes body(client.input.begin() + 2, client.input.begin() + len);
        client.input.erase(client.input.begin(), client.input.begin() + len);
        HandleFrame(client, body);
        if (client.fd < 0)
            return true;
    }
    return open;
}

void LineSim::Close(Client& client, const char* word) {
    if (client.fd < 0)
        return;
    Shut(client.fd);
    client.fd = -1;
    if (client.application)
        Record(std::string(word) + " msg=0 adr=0x0 appl=" + std::to_string(client.appl));
}

void LineSim::Wake() {
    const char c = 'w';
    [[maybe_unused]] auto n = ::write(m_wakeFds[1], &c, 1);
}

int LineSim::Drop() {
    std::lock_guard lock(m_mutex);
    int dropped = 0;
    for (auto& client : m_clients) {
        if (client->fd < 0 || !client->application)
            continue;
        Close(*client, "DROP");
        ++dropped;
    }
    Wake();
    return dropped;
}

void LineSim::Restart(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    if (!m_running)
        return;
    for (auto& client : m_clients)
        Close(*client, "DROP");
    if (m_listenFd >= 0)
        Shut(m_listenFd);
    m_listenFd = -1;
    m_relistenAt = std::chrono::steady_clock::now() + delay;
    Wake();
}

void LineSim::HandleFrame(Client& client, const Bytes& body) {
    if (body.size() >= 6 && body[0] == 0 && body[1] == 0 && body[5] == 0xFF)
        HandleControl(client, body);
    else
        HandleMessage(client, body);
}

void LineSim::HandleControl(Client& client, const Bytes& body) {
    const std::uint8_t cmd = body[4];
    const std::uint32_t ctrl = body.size() >= 12 ? U32(body, 8) : 0;
    std::string line;
    std::uint16_t info = 0;
    Bytes payload;
    auto answerHeader = [&](Bytes& out, std::size_t extra) {
        PutU16(out, static_cast<std::uint16_t>(8 + extra));
        PutU16(out, 1);
        out.push_back(static_cast<std::uint8_t>(cmd + 1));
        out.push_back(0xFF);
        PutU16(out, 0);
    };
    switch (cmd) {
    case kGetProfile: {
        line = "GET_PROFILE msg=0 adr=" + Hex(ctrl) + " appl=0";
        info = ConfInfo("GET_PROFILE");
        if (info == 0 && ctrl > static_cast<std::uint32_t>(m_config.controllers))
            info = 0x2002; // illegal controller
        PutU16(payload, info);
        if (info == 0) {
            PutU16(payload, static_cast<std::uint16_t>(m_config.controllers));
            if (ctrl != 0) {
                PutU16(payload, 2);          // B channels
                PutU32(payload, 0x00000001); // global options: internal controller
                PutU32(payload, 0x00000003); // B1: 64 kbit/s HDLC, transparent
                PutU32(payload, 0x00000003); // B2
                PutU32(payload, 0x00000001); // B3: transparent
                payload.resize(2 + 64, 0);
            }
        }
        break;
    }
    case kRegister: {
        line = "REGISTER msg=0 adr=0x0 appl=0";
        if (body.size() >= 20) {
            line += " buffer=" + std::to_string(U16(body, 12));
            line += " logical=" + std::to_string(U16(body, 14));
            line += " blocks=" + std::to_string(U16(body, 16));
            line += " blocklen=" + std::to_string(U16(body, 18));
        }
        info = m_config.registerInfo != 0 ? m_config.registerInfo : ConfInfo("REGISTER");
        PutU16(payload, info);
        if (info == 0)
            client.application = true;
        break;
    }
    case kGetManufacturer:
    case kGetVersion:
    case kGetSerialNumber: {
        // The library takes these answers from the byte after the header.
        const char* names[] = {"GET_MANUFACTURER", "GET_VERSION", "GET_SERIAL_NUMBER"};
        const int which = (cmd - kGetManufacturer) / 2;
        line = std::string(names[which]) + " msg=0 adr=" + Hex(ctrl) + " appl=0";
        payload.push_back(0);
        if (cmd == kGetManufacturer) {
            const char text[] = "Tintorel line simulator";
            payload.insert(payload.end(), text, text + sizeof text);
            payload.resize(1 + 64, 0);
        } else if (cmd == kGetVersion) {
            PutU32(payload, 2); // CAPI 2.0
            PutU32(payload, 0);
            PutU32(payload, 1); // simulator 1.0
            PutU32(payload, 0);
        } else {
            const char text[] = "0000001";
            payload.insert(payload.end(), text, text + sizeof text);
        }
        break;
    }
    default: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "CONTROL_0x%02X msg=0 adr=%s appl=0", cmd,
                      Hex(ctrl).c_str());
        line = buf;
        PutU16(payload, 0x1102); // illegal command
        break;
    }
    }
    Record(line);
    Bytes answer;
    answerHeader(answer, payload.size());
    answer.insert(answer.end(), payload.begin(), payload.end());
    if (!WriteAll(client.fd, Frame(answer)))
        Close(client);
}

void LineSim::HandleMessage(Client& client, const Bytes& message) {
    if (message.size() < 12) {
        Record("SHORT len=" + std::to_string(message.size()));
        return;
    }
    client.application = true;
    client.appl = U16(message, 2);
    const std::uint8_t cmd = message[4];
    const std::uint8_t sub = message[5];
    if (sub != kReq || cmd == kManufacturer) {
        Record(DescribeMessage(message));
        return;
    }
    const std::uint16_t number = U16(message, 6);
    std::uint32_t adr = U32(message, 8);
    const std::uint16_t info = ConfInfo(CommandName(cmd));
    Bytes params;
    if (cmd == kListen) {
        if (info == 0 && message.size() >= 20)
            client.listens[static_cast<int>(adr & 0x7F)] = U32(message, 16);
        PutU16(params, info);
    } else if (cmd == kConnect) {
        adr = FreshPlci(static_cast<int>(adr & 0x7F));
        PutU16(params, info);
    } else if (cmd == kFacility) {
        PutU16(params, info);
        PutU16(params, message.size() >= 14 ? U16(message, 12) : 0);
        params.push_back(0);
    } else if (cmd == kDataB3) {
        PutU16(params, message.size() >= 22 ? U16(message, 20) : 0); // data handle
        PutU16(params, info);
    } else {
        PutU16(params, info);
    }
    // Answered before it is recorded: whoever sees the request in the transcript can count
    // on its confirmation being on the way.
    SendFrames(client, {BuildMessage(cmd, kConf, number, adr, params)});
    Record(DescribeMessage(message));
}

bool LineSim::SendFrames(Client& client, const std::vector<Bytes>& messages) {
    if (client.fd < 0)
        return false;
    Bytes out;
    for (Bytes m : messages) {
        if (m.size() >= 4) {
            m[2] = static_cast<std::uint8_t>(client.appl & 0xFF);
            m[3] = static_cast<std::uint8_t>(client.appl >> 8);
        }
        RecordSent(client, m);
        const Bytes f = Frame(m);
        out.insert(out.end(), f.begin(), f.end());
    }
    if (WriteAll(client.fd, out))
        return true;
    Close(client);
    return false;
}

void LineSim::RecordSent(const Client&, const Bytes& message) {
    m_sent.push_back(message.size() >= 12 ? DescribeMessage(message)
                                          : "SHORT len=" + std::to_string(message.size()));
    m_changed.notify_all();
}

void LineSim::Record(std::string line) {
    if (!m_config.transcriptPath.empty()) {
        if (FILE* f = std::fopen(m_config.transcriptPath.c_str(), "a")) {
            std::fprintf(f, "%s\n", line.c_str());
            std::fclose(f);
        }
    }
    m_transcript.push_back(std::move(line));
    m_changed.notify_all();
}

std::uint16_t LineSim::ConfInfo(const std::string& name) const {
    const auto it = m_config.confInfo.find(name);
    return it == m_config.confInfo.end() ? 0 : it->second;
}

std::uint32_t LineSim::FreshPlci(int controller) {
    // PLCI: controller in the low byte, the connection number (1 to 255) above it.
    const std::uint32_t n = (m_nextPlci++ - 1) % 255 + 1;
    return (n << 8) | static_cast<std::uint32_t>(controller & 0x7F);
}

std::uint16_t LineSim::NextMessageNumber() {
    return m_nextNumber++;
}

std::uint32_t LineSim::Ring(const Call& call) {
    return RingAll({call}).front();
}

std::vector<std::uint32_t> LineSim::RingAll(const std::vector<Call>& calls) {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint32_t> plcis;
    std::map<Client*, std::vector<Bytes>> batches;
    for (const Call& call : calls) {
        const std::uint32_t plci = call.plci != 0 ? call.plci : FreshPlci(call.controller);
        plcis.push_back(plci);
        const std::uint16_t number = NextMessageNumber();
        const Bytes ind = BuildConnectInd(call, plci, number);
        auto& callees = m_callees[plci];
        for (auto& client : m_clients) {
            if (client->fd < 0 || !client->application)
                continue;
            const auto it = client->listens.find(call.controller);
            if (it == client->listens.end())
                continue;
            const std::uint32_t mask = it->second;
            if ((mask & 1) == 0 && (call.cip >= 32 || (mask & (1u << call.cip)) == 0))
                continue;
            batches[client.get()].push_back(ind);
            callees.push_back(client->fd);
        }
    }
    for (auto& [client, batch] : batches)
        SendFrames(*client, batch);
    return plcis;
}

void LineSim::Hangup(std::uint32_t plci, std::uint16_t reason) {
    std::lock_guard lock(m_mutex);
    Bytes params;
    PutU16(params, reason);
    const Bytes ind = BuildMessage(kDisconnect, kInd, NextMessageNumber(), plci, params);
    const auto it = m_callees.find(plci);
    for (auto& client : m_clients) {
        if (client->fd < 0 || !client->application)
            continue;
        if (it != m_callees.end() &&
            std::find(it->second.begin(), it->second.end(), client->fd) == it->second.end())
            continue;
        SendFrames(*client, {ind});
    }
    if (it != m_callees.end())
        m_callees.erase(it);
}

int LineSim::SendRaw(const std::vector<Bytes>& messages) {
    std::lock_guard lock(m_mutex);
    int reached = 0;
    for (auto& client : m_clients) {
        if (client->fd >= 0 && client->application && SendFrames(*client, messages))
            ++reached;
    }
    return reached;
}

std::vector<std::string> LineSim::Transcript() const {
    std::lock_guard lock(m_mutex);
    return m_transcript;
}

std::vector<std::string> LineSim::Sent() const {
    std::lock_guard lock(m_mutex);
    return m_sent;
}

int LineSim::WaitFor(const std::function<bool(const std::string&)>& pred, int from,
                     std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    int found = -1;
    m_changed.wait_for(lock, timeout, [&] {
        for (std::size_t i = static_cast<std::size_t>(std::max(from, 0)); i < m_transcript.size();
             ++i) {
            if (pred(m_transcript[i])) {
                found = static_cast<int>(i);
                return true;
            }
        }
        return false;
    });
    return found;
}

bool LineSim::WaitForCount(const std::string& prefix, int n,
                           std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return std::count_if(m_transcript.begin(), m_transcript.end(),
                             [&](const auto& l) { return l.rfind(prefix, 0) == 0; }) >= n;
    });
}

int LineSim::Count(const std::string& prefix) const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_transcript.begin(), m_transcript.end(),
                                          [&](const auto& l) { return l.rfind(prefix, 0) == 0; }));
}

int LineSim::Applications() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_clients.begin(), m_clients.end(), [](const auto& c) {
        return c->fd >= 0 && c->application;
    }));
}

} // namespace linesim
