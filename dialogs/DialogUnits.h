#pragma once
// Dialog layouts are given in dialog units of a 6 x 13 pixel base font:
// x and width are quarters of 6 px, y and height eighths of 13 px.
#include <QRect>
#include <QSize>

inline int DuX(int x) { return x * 6 / 4; }
inline int DuY(int y) { return y * 13 / 8; }
inline QRect DuRect(int x, int y, int width, int height) { return QRect(DuX(x), DuY(y), DuX(width), DuY(height)); }
inline QSize DuSize(int width, int height) { return QSize(DuX(width), DuY(height)); }
