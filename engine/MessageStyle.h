// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Message box styles and answers, as numbers, so the engine needs no UI header.
constexpr unsigned MB_OK = 0;
constexpr unsigned MB_ICONSTOP = 16;
constexpr unsigned MB_ICONEXCLAMATION = 48;
constexpr unsigned MB_YESNO_QUESTION = 36;  // Yes/No buttons with the question icon

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
