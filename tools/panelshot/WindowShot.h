// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// One of the program's windows as it opens, saved as a PNG: "panel" (the
// recorder panel), "manager" (the recordings manager) or "format" (the format
// dialog). Needs a QApplication and the resources. Returns 0, 1 when the
// picture cannot be written, 2 for an unknown window.
int ShotWindow(const char* which, const char* picture);
