#pragma once
// Dialog layouts are given in dialog units of the 8-point base font (6 x 13
// pixels): x and width are quarters of 6 px, y and height eighths of 13 px,
// rounded to the nearest pixel as dialog templates are laid out. The panel
// and every dialog share this one conversion.
#include <QRect>
#include <QSize>

constexpr int DuX(int x) { return (x * 6 + 2) / 4; }
constexpr int DuY(int y) { return (y * 13 + 4) / 8; }
inline QRect DuRect(int x, int y, int width, int height) { return QRect(DuX(x), DuY(y), DuX(width), DuY(height)); }
inline QSize DuSize(int width, int height) { return QSize(DuX(width), DuY(height)); }
