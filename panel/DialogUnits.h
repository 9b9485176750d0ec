#pragma once
// Dialog units of the panel's 8-point font (base units 6 x 13) to pixels,
// rounded to the nearest pixel as the dialog templates expect.
#include <QRect>

constexpr int DuX(int x) { return (x * 6 + 2) / 4; }
constexpr int DuY(int y) { return (y * 13 + 4) / 8; }
inline QRect DuRect(int x, int y, int w, int h) { return QRect(DuX(x), DuY(y), DuX(w), DuY(h)); }
