// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CQtEngineHost.h"

#include "common/EngineTexts.h"
#include "common/MessageBoxes.h"
#include "common/Settings.h"

int CQtEngineHost::GetBufferSize() { return ::GetBufferSize(); }

int CQtEngineHost::MessageBox(const std::string& text, unsigned style)
{
    // The engine speaks English; the user reads the message in their language.
    return ShowMessageBox(TranslateEngineText(text), style);
}
