// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Dialog layouts are given in dialog units of the 8-point base font (6 x 13
// pixels): x and width are quarters of 6 px, y and height eighths of 13 px.
// The panel's template is laid out rounding to the nearest pixel; the
// manager and settings dialogs round down, as their sizes have always been.
#include <QRect>
#include <QSize>

enum class DuRound { Nearest, Down };

constexpr int DuX(int x, DuRound r = DuRound::Nearest) { return (x * 6 + (r == DuRound::Nearest ? 2 : 0)) / 4; }
constexpr int DuY(int y, DuRound r = DuRound::Nearest) { return (y * 13 + (r == DuRound::Nearest ? 4 : 0)) / 8; }
inline QRect DuRect(int x, int y, int width, int height, DuRound r = DuRound::Nearest)
{
    return QRect(DuX(x, r), DuY(y, r), DuX(width, r), DuY(height, r));
}
inline QSize DuSize(int width, int height, DuRound r = DuRound::Nearest) { return QSize(DuX(width, r), DuY(height, r)); }
