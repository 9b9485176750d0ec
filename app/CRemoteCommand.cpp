// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRemoteCommand.h"

#include <array>
#include <utility>

namespace {
constexpr std::string_view kVersion = "VELLORY/1";

constexpr std::array<std::pair<CRemoteCommand::Verb, const char*>, 8> kVerbs{{
    {CRemoteCommand::Verb::Show, "show"},
    {CRemoteCommand::Verb::Record, "record"},
    {CRemoteCommand::Verb::Stop, "stop"},
    {CRemoteCommand::Verb::Pause, "pause"},
    {CRemoteCommand::Verb::Resume, "resume"},
    {CRemoteCommand::Verb::Toggle, "toggle"},
    {CRemoteCommand::Verb::Play, "play"},
    {CRemoteCommand::Verb::Status, "status"},
}};

bool TakesSeconds(CRemoteCommand::Verb verb)
{
    return verb == CRemoteCommand::Verb::Record || verb == CRemoteCommand::Verb::Toggle;
}

// Digits only, no sign, no leading zero but "0" itself, within the limit.
std::optional<int> ParseSeconds(std::string_view text)
{
    if (text.empty() || text.size() > 9 || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > CRemoteCommand::kMaxStopAfterSeconds)
        return std::nullopt;
    return value;
}
} // namespace

const char* CRemoteCommand::Name(Verb verb)
{
    for (const auto& [v, name] : kVerbs)
        if (v == verb)
            return name;
    return "";
}

std::optional<CRemoteCommand::Verb> CRemoteCommand::FromName(std::string_view name)
{
    for (const auto& [v, known] : kVerbs)
        if (name == known)
            return v;
    return std::nullopt;
}

std::string CRemoteCommand::CleanToken(std::string_view token)
{
    std::string clean;
    for (char c : token)
        if (c > ' ' && c < 0x7f)
            clean += c;
    return clean;
}

std::string CRemoteCommand::Encode() const
{
    std::string line(kVersion);
    line += ' ';
    line += Name(verb);
    if (verb == Verb::Show) {
        const std::string clean = CleanToken(token);
        if (!clean.empty())
            line += ' ' + clean;
    } else if (TakesSeconds(verb) && stopAfterSeconds >= 0) {
        line += ' ' + std::to_string(stopAfterSeconds);
    }
    line += '\n';
    return line;
}

std::optional<CRemoteCommand> CRemoteCommand::Parse(std::string_view line)
{
    if (line.size() > kMaxLine)
        return std::nullopt;
    // Exactly one blank between the words, none at either end.
    std::string_view words[4];
    size_t count = 0;
    for (size_t start = 0;;) {
        const size_t blank = line.find(' ', start);
        const std::string_view word = line.substr(start, blank == std::string_view::npos ? blank : blank - start);
        if (word.empty() || count == std::size(words))
            return std::nullopt;
        words[count++] = word;
        if (blank == std::string_view::npos)
            break;
        start = blank + 1;
    }
    if (count < 2 || words[0] != kVersion)
        return std::nullopt;
    const std::optional<Verb> verb = FromName(words[1]);
    if (!verb)
        return std::nullopt;
    CRemoteCommand command;
    command.verb = *verb;
    if (count == 2)
        return command;
    if (count > 3)
        return std::nullopt;
    if (*verb == Verb::Show) {
        if (CleanToken(words[2]) != words[2])
            return std::nullopt;
        command.token = std::string(words[2]);
        return command;
    }
    if (!TakesSeconds(*verb))
        return std::nullopt;
    const std::optional<int> seconds = ParseSeconds(words[2]);
    if (!seconds)
        return std::nullopt;
    command.stopAfterSeconds = *seconds;
    return command;
}

std::string CRemoteCommand::EncodeAnswer(bool ok, std::string_view text)
{
    std::string line = ok ? "ok" : "refused";
    if (!text.empty() || !ok) {
        line += ' ';
        for (char c : text)
            line += (c == '\n' || c == '\r') ? ' ' : c;
    }
    if (line.size() > kMaxLine - 1)
        line.resize(kMaxLine - 1);
    line += '\n';
    return line;
}

bool CRemoteCommand::ParseAnswer(std::string_view line, bool& ok, std::string& text)
{
    if (line == "ok") {
        ok = true;
        text.clear();
        return true;
    }
    for (const auto& [prefix, value] : {std::pair<std::string_view, bool>{"ok ", true}, {"refused ", false}})
        if (line.substr(0, prefix.size()) == prefix) {
            ok = value;
            text = std::string(line.substr(prefix.size()));
            return true;
        }
    return false;
}
