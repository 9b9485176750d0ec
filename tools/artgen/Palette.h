// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Every colour the artwork uses, by name. Pixels are 0xAARRGGBB.
#include <QRgb>

namespace pal {

constexpr QRgb Rgb(int r, int g, int b) { return 0xFF000000u | (unsigned(r) << 16) | (unsigned(g) << 8) | unsigned(b); }
constexpr QRgb Grey(int level) { return Rgb(level, level, level); }
constexpr QRgb Transparent = 0x00000000u;

// The display.
constexpr QRgb LcdLit = Rgb(0, 204, 0);
constexpr QRgb LcdGhost = Rgb(34, 34, 34);
constexpr QRgb LcdBack = Rgb(4, 4, 4);
constexpr QRgb LabelLit = Rgb(0, 207, 0);
constexpr QRgb LabelDim = Rgb(128, 138, 22);
constexpr QRgb Black = Rgb(0, 0, 0);
// The font sheet's other three variants.
constexpr QRgb LcdAmber = Rgb(255, 170, 0);
constexpr QRgb LcdRed = Rgb(230, 40, 40);

// The skin: face and the bevel, outermost first.
constexpr QRgb Face = Grey(75);
constexpr QRgb BevelTop[3] = {Grey(167), Grey(136), Grey(94)};
constexpr QRgb BevelLeft[3] = {Grey(117), Grey(105), Grey(84)};
constexpr QRgb BevelBottom[3] = {Grey(19), Grey(31), Grey(61)};
constexpr QRgb BevelRight[3] = {Grey(31), Grey(48), Grey(66)};

// Buttons.
constexpr QRgb ButtonRim = Rgb(18, 24, 34);
constexpr QRgb ButtonFace = Rgb(70, 90, 120);
constexpr QRgb ButtonFaceDown = Rgb(62, 80, 108);
constexpr QRgb ButtonLight[2] = {Rgb(150, 170, 200), Rgb(112, 132, 162)};
constexpr QRgb ButtonShade[2] = {Rgb(30, 40, 58), Rgb(48, 62, 86)};
constexpr QRgb Lettering = Rgb(40, 225, 40);
constexpr QRgb DisabledInk = Rgb(150, 150, 150);
constexpr QRgb FocusOutline = Rgb(0, 0, 0);
constexpr QRgb RecRed = Rgb(230, 30, 30);
constexpr QRgb StopWhite = Rgb(250, 250, 250);
constexpr QRgb PlayGreen = Rgb(40, 225, 40);
constexpr QRgb PowerRed = Rgb(235, 40, 40);
constexpr QRgb TickYellow = Rgb(255, 220, 0);
constexpr QRgb MinBlue = Rgb(80, 150, 255);

// Icons: the classic sixteen colours.
namespace vga {
constexpr QRgb Black = Rgb(0, 0, 0);
constexpr QRgb Maroon = Rgb(128, 0, 0);
constexpr QRgb Olive = Rgb(128, 128, 0);
constexpr QRgb Navy = Rgb(0, 0, 128);
constexpr QRgb Gray = Rgb(128, 128, 128);
constexpr QRgb Silver = Rgb(192, 192, 192);
constexpr QRgb Red = Rgb(255, 0, 0);
constexpr QRgb Yellow = Rgb(255, 255, 0);
constexpr QRgb Blue = Rgb(0, 0, 255);
constexpr QRgb White = Rgb(255, 255, 255);
} // namespace vga

} // namespace pal
