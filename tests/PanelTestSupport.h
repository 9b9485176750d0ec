// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Helpers of the panel tests, over those of the session tests: the panel's
// message boxes and the engine's, the button row, the display's time, and the
// panel's pop-up menu and windows driven as a user would.
#include "SessionTestSupport.h"

#include <QTimer>

class CDisplayPanel;
class CRecorderDlg;
class QWidget;

#include <functional>
#include <string>
#include <vector>

struct Box {
    std::string text;
    unsigned style;
};

// Collects the panel's message boxes and the engine's, in order, answering OK.
class Boxes : public CapturingHost {
public:
    Boxes();
    ~Boxes() override;
    int MessageBox(const std::string& text, unsigned style) override;
    std::vector<Box> boxes;
    std::function<void()> onBox; // runs while a panel box is "open"
};

// Enabled states of the panel's REC, STOP and PLAY.
using Buttons = EnabledButtons;
Buttons ButtonsOf(const CRecorderDlg& dlg);

// True when the display's time reads as that of a display holding `seconds`.
bool DisplayShows(CDisplayPanel* display, uint32_t seconds);

// Shows a window and waits until it is the active one, as keys need.
void ShowActive(QWidget& window);

// Chooses an entry of the next pop-up menu by its key while the picker lives.
class MenuPicker {
public:
    explicit MenuPicker(Qt::Key key);
    int Seen() const { return m_seen; }

private:
    QTimer m_timer;
    int m_seen = 0;
};
