// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The four recording categories by number (0 "New" to 3 "Personal"), in the
// user's language: the manager lists them and the display shows them. The
// translation context is "Category"; the English names are the sources.
#include <QString>

constexpr int kCategoryCount = 4;

// The category's name; empty outside 0 to 3.
QString CategoryName(int category);
