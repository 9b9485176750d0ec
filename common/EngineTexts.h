// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The engine and the platform layers are plain C++ and speak English. Their
// texts are translated where the program shows them: a message box of the
// engine, a playback error, the format dialog's names and attributes. Each
// known text (and each known text with a variable tail: a path, a code, the
// system's reason) is looked up in the translation context "Engine"; anything
// else is shown as it is.
#include <QString>

#include <string>

QString TranslateEngineText(const std::string& text);

// A format tag's name ("PCM", "CCITT A-Law", "Format 0x0055").
QString TranslateFormatName(const std::string& name);
// A format's attributes as the catalogue describes them
// ("22,050 Hz, 16 Bit, Mono  43 KB/s").
QString TranslateFormatDescription(const std::string& description);
