#include "tools/linesim/CallMonitorCommands.h"

#include <sstream>
#include <vector>

namespace linesim {

namespace {

struct Syntax {
    const char* name;
    std::size_t required;
    std::size_t optional;
    const char* usage;
};

constexpr Syntax kSyntaxes[] = {
    {"ring", 3, 1, "ring CONN CALLER CALLED [LINE]"},
    {"call", 4, 1, "call CONN EXTENSION OWN DIALLED [LINE]"},
    {"connect", 3, 0, "connect CONN EXTENSION NUMBER"},
    {"disconnect", 2, 0, "disconnect CONN SECONDS"},
};

std::string Sent(int reached) {
    return "ok sent to " + std::to_string(reached);
}

} // namespace

std::optional<std::string> CallMonitorCommand(CallMonitorSim& sim, const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command == "raw") {
        // Everything after "raw " as it is, blanks included.
        const auto start = line.find("raw") + 3;
        return Sent(sim.Raw(start < line.size() ? line.substr(start + 1) : std::string()));
    }
    if (command == "drop")
        return "ok dropped " + std::to_string(sim.Drop());
    if (command == "clients")
        return "ok clients " + std::to_string(sim.Clients());

    const Syntax* syntax = nullptr;
    for (const Syntax& s : kSyntaxes) {
        if (command == s.name)
            syntax = &s;
    }
    if (syntax == nullptr)
        return std::nullopt;
    std::vector<std::string> args;
    for (std::string word; in >> word;)
        args.push_back(word == "-" ? std::string() : word);
    if (args.size() < syntax->required || args.size() > syntax->required + syntax->optional)
        return std::string("error: ") + syntax->usage;
    for (const std::string& arg : args) {
        if (arg.find(';') != std::string::npos)
            return std::string("error: a field may not hold ';' (use raw)");
    }
    if (args.size() == syntax->required && syntax->optional == 1)
        args.push_back("SIP0"); // the line, when left out

    if (command == "ring")
        return Sent(sim.Ring(args[0], args[1], args[2], args[3]));
    if (command == "call")
        return Sent(sim.Call(args[0], args[1], args[2], args[3], args[4]));
    if (command == "connect")
        return Sent(sim.Connect(args[0], args[1], args[2]));
    return Sent(sim.Disconnect(args[0], args[1]));
}

} // namespace linesim
