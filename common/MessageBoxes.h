// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Every message box of the program goes through ShowMessageBox, so tests can
// intercept them. Styles: 0 plain, 16 stop, 48 exclamation, 36 yes/no question.
// Every box carries the program's name as its title, whoever raised it: a box
// that comes up behind a dialog or after the panel was hidden still says
// whose it is.
#include <QString>

#include <functional>

class QWidget;

// The title of every box: the program's name, not translated.
inline constexpr char kProgramName[] = "Vellory";
QString MessageBoxTitle();

// Returns IDOK (1), IDYES (6) or IDNO (7). Safe to call from any thread: the
// box is shown on the interface thread.
int ShowMessageBox(const QString& text, unsigned style, QWidget* parent = nullptr);

// A hook replaces the boxes (tests); an empty function restores them.
using MessageBoxHook = std::function<int(const QString& text, unsigned style)>;
void SetMessageBoxHook(MessageBoxHook hook);
// The same, also given the title the box would have had.
using TitledMessageBoxHook = std::function<int(const QString& title, const QString& text, unsigned style)>;
void SetTitledMessageBoxHook(TitledMessageBoxHook hook);
