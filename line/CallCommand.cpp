#include "line/CallCommand.h"

#include "capi/Diagnostics.h"
#include "line/CommandRunner.h"
#include "platform/Cp1252.h"
#include "settings/Settings.h"

#include <cstdio>
#include <cstdlib>

namespace line {

namespace {

std::string Utf8(const std::string& cp1252) {
    return platform::FromCp1252(cp1252).toStdString();
}

} // namespace

std::string IsoLocalTime(std::time_t time) {
    std::tm local{};
    if (!localtime_r(&time, &local))
        return {};
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long minutes = std::labs(offset);
    std::snprintf(text + n, sizeof text - n, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return text;
}

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view command) {
    std::vector<std::string> argv;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord)
                argv.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            // Outside quotes a backslash keeps the next character as it is; a line break
            // after it joins the lines.
            if (++i == command.size())
                return std::nullopt;
            if (command[i] != '\n')
                word += command[i];
        } else if (c == '\'') {
            const std::size_t end = command.find('\'', i + 1);
            if (end == std::string_view::npos)
                return std::nullopt;
            word += command.substr(i + 1, end - i - 1);
            i = end;
        } else if (c == '"') {
            // Inside double quotes a backslash escapes only what a shell lets it escape.
            for (++i;; ++i) {
                if (i == command.size())
                    return std::nullopt;
                if (command[i] == '"')
                    break;
                if (command[i] == '\\' && i + 1 < command.size() &&
                    std::string_view("\\\"$`\n").find(command[i + 1]) != std::string_view::npos) {
                    if (command[++i] != '\n')
                        word += command[i];
                } else {
                    word += command[i];
                }
            }
        } else {
            word += c;
        }
    }
    if (inWord)
        argv.push_back(std::move(word));
    return argv;
}

std::vector<std::pair<std::string, std::string>> CallVariables(const IncomingCall& call,
                                                               const CallFacts& facts) {
    std::vector<std::pair<std::string, std::string>> variables = {
        {"TINTOREL_CALLING", Utf8(call.calling)},
        {"TINTOREL_CALLED", Utf8(call.called)},
        {"TINTOREL_NAME", Utf8(facts.name)},
        {"TINTOREL_CALLED_LABEL", Utf8(facts.calledLabel)},
        {"TINTOREL_LINE", SourceName(call.source)},
        {"TINTOREL_TIME", IsoLocalTime(facts.time)},
    };
    if (facts.ignored)
        variables.emplace_back("TINTOREL_IGNORED", "1");
    return variables;
}

void StartCallCommand(const IncomingCall& call, const CallFacts& facts) {
    const std::string command = settings::ReadCallCommand();
    if (command.empty())
        return;
    std::optional<std::vector<std::string>> argv = SplitCommandLine(command);
    if (!argv) {
        capi::Say("Call command not run: a quote or a backslash is left open in CallCommand\n");
        return;
    }
    Commands().Run(std::move(*argv), CallVariables(call, facts));
}

} // namespace line
