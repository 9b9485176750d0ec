// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// What the engine needs from the application: the capture buffer size setting
// and modal message boxes. The application installs its own host; without one
// a default answers 10000 and prints messages to stderr.
#include <string>

class IEngineHost {
public:
    virtual ~IEngineHost() = default;
    virtual int GetBufferSize() = 0;
    // style: one of the MessageStyle.h values; returns IDOK, IDYES or IDNO.
    virtual int MessageBox(const std::string& text, unsigned style) = 0;
};

// The host in force; never null.
IEngineHost& EngineHost();
// Installs a host (nullptr restores the default). Not thread-safe: call at start-up.
void SetEngineHost(IEngineHost* host);

// Shorthands used throughout the engine.
inline int EngineMessageBox(const std::string& text, unsigned style) { return EngineHost().MessageBox(text, style); }
inline int EngineBufferSize() { return EngineHost().GetBufferSize(); }
