// linesim: a simulated ISDN line for libcapi20's remote-CAPI module (rcapi), and a simulated
// router call monitor.
//
//   linesim --port P [--controllers N] [--refuse-register INFO] [--conf-info COMMAND=INFO]...
//           [--transcript FILE] [--callmonitor M]
//   linesim --callmonitor M
//
// Point an application at it with TINTOREL_CAPI=rcapi:127.0.0.1:P (or REMOTE rcapi 127.0.0.1 P
// in ~/.capi20rc). --port 0 picks a free port. Numbers may be decimal or 0x-hex. COMMAND is a
// request name without _REQ (LISTEN, ALERT, CONNECT, INFO, FACILITY, ..., GET_PROFILE);
// --conf-info LISTEN=0x2002 makes every LISTEN_CONF carry Info 0x2002. --controllers 0 is
// allowed.
//
// Once ready it prints "listening on P", then reads commands from standard input, one a line,
// and answers each with one line on standard output ("ok ..." or "error ..."):
//   ring <controller> <calling> <called>   offer a call (CONNECT_IND) to every application
//                                          that listens on the controller; "-" is a number
//                                          without digits. Prints "plci 0x<hex>".
//   hangup <plci>                          clear it (DISCONNECT_IND, reason 0x3490)
//   raw <hex bytes>                        send one CAPI message as written (spaces allowed;
//                                          the application id is filled in per receiver)
//   burst <count> <hex bytes>              the same message count times in one write
//   sleep <ms>                             wait
//   drop                                   close every application's connection (and every
//                                          call monitor client, see below)
//   restart <ms>                           close everything and stop listening; listen again
//                                          on the same port after <ms>
//   quit                                   stop (end of input does the same)
// The transcript file gets one line per message an application sent: its name, msg=<n>,
// adr=0x<hex>, appl=<id>, then its parameters (cip=0x1FFF03FF infomask=0 cip2=0 reject=2 ...);
// "RELEASE" when an application's connection closes.
//
// --callmonitor M serves a router's call monitor on 127.0.0.1:M (0 picks a free port; point
// Tintorel at it with TINTOREL_CALLMONITOR=127.0.0.1:M) and prints "callmonitor listening on
// M" after the CAPI side's line. Its records carry the local date and time; "-" is an empty
// field (a withheld caller). When the CAPI side runs too, these commands take the prefix "cm"
// ("cm ring 0 0791234567 0219876543"), since ring and raw are the CAPI side's:
//   ring <conn> <caller> <called> [<line>]  RING record (line SIP0 when left out)
//   call <conn> <extension> <own> <dialled> [<line>]  CALL record
//   connect <conn> <extension> <number>     CONNECT record
//   disconnect <conn> <seconds>             DISCONNECT record
//   raw <text>                              the text as it is, then a line feed
//   clients                                 "ok clients <n>", the clients connected
//   drop                                    close every client connection, of both sides
//                                           (never prefixed); "ok dropped <n>"
// A record command answers "ok sent to <n>", the clients it reached.

#include "tools/linesim/CallMonitorCommands.h"
#include "tools/linesim/LineSim.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace {

bool ParseNumber(const std::string& text, unsigned long max, unsigned long& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtoul(text.c_str(), &end, 0);
    return errno == 0 && end != nullptr && *end == '\0' && out <= max && text[0] != '-';
}

int Usage() {
    std::fprintf(stderr, "usage: linesim --port P [--controllers N] [--refuse-register INFO] "
                         "[--conf-info COMMAND=INFO]... [--transcript FILE] [--callmonitor M]\n"
                         "       linesim --callmonitor M\n");
    return 2;
}

void Reply(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The call monitor's commands: bare when it runs alone, after "cm" beside the CAPI side.
std::optional<std::string> MonitorCommand(linesim::CallMonitorSim& monitor, bool capiToo,
                                          const std::string& cmd, const std::string& line) {
    if (!monitor.Running() || (capiToo && cmd != "cm"))
        return std::nullopt;
    if (cmd == "cm")
        return linesim::CallMonitorCommand(monitor, line.substr(line.find("cm") + 2))
            .value_or("error: unknown call monitor command");
    return linesim::CallMonitorCommand(monitor, line);
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    linesim::Config config;
    unsigned long port = 0;
    bool havePort = false;
    std::optional<unsigned long> monitorPort;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return Usage();
        const std::string value = argv[++i];
        unsigned long n = 0;
        if (arg == "--port" && ParseNumber(value, 65535, n)) {
            port = n;
            havePort = true;
        } else if (arg == "--controllers" && ParseNumber(value, 127, n)) {
            config.controllers = static_cast<int>(n);
        } else if (arg == "--refuse-register" && ParseNumber(value, 0xFFFF, n)) {
            config.registerInfo = static_cast<std::uint16_t>(n);
        } else if (arg == "--conf-info") {
            const auto eq = value.find('=');
            if (eq == std::string::npos || !ParseNumber(value.substr(eq + 1), 0xFFFF, n))
                return Usage();
            std::string name = value.substr(0, eq);
            for (const char* suffix : {"_REQ", "_CONF"}) {
                const auto pos = name.rfind(suffix);
                if (pos != std::string::npos && pos + std::strlen(suffix) == name.size())
                    name.erase(pos);
            }
            config.confInfo[name] = static_cast<std::uint16_t>(n);
        } else if (arg == "--transcript") {
            config.transcriptPath = value;
        } else if (arg == "--callmonitor" && ParseNumber(value, 65535, n)) {
            monitorPort = n;
        } else {
            return Usage();
        }
    }
    if (!havePort && !monitorPort)
        return Usage();

    linesim::LineSim sim(config);
    if (havePort && !sim.Start(static_cast<std::uint16_t>(port))) {
        std::fprintf(stderr, "linesim: cannot listen on 127.0.0.1:%lu: %s\n", port,
                     std::strerror(errno));
        return 1;
    }
    if (havePort)
        Reply("listening on " + std::to_string(sim.Port()));
    linesim::CallMonitorSim monitor;
    if (monitorPort && !monitor.Start(static_cast<std::uint16_t>(*monitorPort))) {
        std::fprintf(stderr, "linesim: cannot listen on 127.0.0.1:%lu: %s\n", *monitorPort,
                     std::strerror(errno));
        return 1;
    }
    if (monitorPort)
        Reply("callmonitor listening on " + std::to_string(monitor.Port()));

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string cmd;
        if (!(in >> cmd) || cmd[0] == '#')
            continue;
        if (cmd == "quit")
            break;
        if (cmd == "drop") {
            // Both sides: every CAPI application and every monitor client.
            Reply("ok dropped " + std::to_string((havePort ? sim.Drop() : 0) + monitor.Drop()));
            continue;
        }
        if (const auto reply = MonitorCommand(monitor, havePort, cmd, line)) {
            Reply(*reply);
            continue;
        }
        if (cmd == "ring") {
            std::string ctrl, calling, called;
            unsigned long c = 0;
            if (!(in >> ctrl >> calling >> called) || !ParseNumber(ctrl, 127, c) ||
                calling.size() > 200 || called.size() > 200) {
                Reply("error: ring <controller> <calling> <called>");
                continue;
            }
            linesim::Call call;
            call.controller = static_cast<int>(c);
            call.calling = calling == "-" ? "" : calling;
            call.called = called == "-" ? "" : called;
            if (call.calling.empty())
                call.callingPresentation = 0xA0; // presentation restricted
            if (!call.calling.empty() && call.calling[0] == '+') {
                call.calling.erase(0, 1);
                call.callingType = 0x11; // international, ISDN numbering plan
            }
            char buf[32];
            std::snprintf(buf, sizeof buf, "plci 0x%X", sim.Ring(call));
            Reply(buf);
        } else if (cmd == "hangup") {
            std::string plci;
            unsigned long p = 0;
            if (!(in >> plci) || !ParseNumber(plci, 0xFFFFFFFF, p)) {
                Reply("error: hangup <plci>");
                continue;
            }
            sim.Hangup(static_cast<std::uint32_t>(p));
            Reply("ok");
        } else if (cmd == "raw" || cmd == "burst") {
            unsigned long count = 1;
            std::string countText;
            if (cmd == "burst" && (!(in >> countText) || !ParseNumber(countText, 1000, count))) {
                Reply("error: burst <count> <hex bytes>");
                continue;
            }
            std::string rest;
            std::getline(in, rest);
            linesim::Bytes message;
            if (!linesim::ParseHex(rest, message) || message.size() < 12) {
                Reply("error: " + cmd + " needs the hex bytes of one CAPI message");
                continue;
            }
            const int reached =
                sim.SendRaw(std::vector<linesim::Bytes>(static_cast<std::size_t>(count), message));
            Reply("ok sent to " + std::to_string(reached));
        } else if (cmd == "restart") {
            std::string ms;
            unsigned long n = 0;
            if (!(in >> ms) || !ParseNumber(ms, 600000, n)) {
                Reply("error: restart <ms>");
                continue;
            }
            sim.Restart(std::chrono::milliseconds(n));
            Reply("ok");
        } else if (cmd == "sleep") {
            std::string ms;
            unsigned long n = 0;
            if (!(in >> ms) || !ParseNumber(ms, 600000, n)) {
                Reply("error: sleep <ms>");
                continue;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(n));
            Reply("ok");
        } else {
            Reply("error: unknown command " + cmd);
        }
    }
    monitor.Stop();
    sim.Stop();
    return 0;
}
