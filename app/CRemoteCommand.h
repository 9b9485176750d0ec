// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// What another start of the program asks of the running panel, and how the
// request and the panel's answer travel: one line each over the per-user
// socket. Requests are "VELLORY/1 VERB[ ARGUMENT]"; anything else (another
// version, an unknown verb, a stray argument) is refused, never guessed at.
// Answers are "ok[ TEXT]" or "refused TEXT". Plain C++, so that a command can
// be sent before Qt starts (no display is needed to ask for the status).
#include <optional>
#include <string>
#include <string_view>

class CRemoteCommand {
public:
    enum class Verb { Show, Record, Stop, Pause, Resume, Toggle, Play, Status };

    Verb verb = Verb::Show;
    // Record and Toggle: seconds after which the recording stops by itself;
    // -1 takes the "Stop after" setting, 0 records without a limit.
    int stopAfterSeconds = -1;
    // Show: the desktop's activation token (printable, no blanks), may be empty.
    std::string token;

    // The request line, with its line end.
    std::string Encode() const;
    // A request line without its line end; nothing when it is not one.
    static std::optional<CRemoteCommand> Parse(std::string_view line);

    // "record" for Verb::Record; the option is "--" and this name.
    static const char* Name(Verb verb);
    static std::optional<Verb> FromName(std::string_view name);
    // Keeps only what may travel in a request: printable ASCII but blanks.
    static std::string CleanToken(std::string_view token);

    // The answer line, with its line end; line breaks in text become blanks.
    static std::string EncodeAnswer(bool ok, std::string_view text);
    // An answer line without its line end: false when it is not one.
    static bool ParseAnswer(std::string_view line, bool& ok, std::string& text);

    // The longest line either side reads: a peer that sends more is cut off.
    static constexpr size_t kMaxLine = 4096;
    // The most --for may ask: a week, in seconds.
    static constexpr int kMaxStopAfterSeconds = 7 * 24 * 3600;
};
