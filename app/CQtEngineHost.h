// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The application's side of the engine host: settings from the settings store,
// messages as Qt message boxes.
#include "engine/IEngineHost.h"

class CQtEngineHost final : public IEngineHost {
public:
    int GetBufferSize() override;
    int MessageBox(const std::string& text, unsigned style) override;
};
