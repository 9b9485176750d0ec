// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "IEngineHost.h"

#include "MessageStyle.h"

#include <atomic>
#include <cstdio>

namespace {

class DefaultHost final : public IEngineHost {
public:
    int GetBufferSize() override { return 10000; }
    int MessageBox(const std::string& text, unsigned style) override
    {
        std::fprintf(stderr, "[message %u] %s\n", style, text.c_str());
        return style == MB_YESNO_QUESTION ? IDNO : IDOK;
    }
};

DefaultHost g_defaultHost;
std::atomic<IEngineHost*> g_host{nullptr};

} // namespace

IEngineHost& EngineHost()
{
    IEngineHost* h = g_host.load(std::memory_order_acquire);
    return h ? *h : g_defaultHost;
}

void SetEngineHost(IEngineHost* host) { g_host.store(host, std::memory_order_release); }
