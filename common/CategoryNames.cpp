// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "common/CategoryNames.h"

#include <QCoreApplication>

QString CategoryName(int category)
{
    static const char* const kNames[kCategoryCount] = {
        QT_TRANSLATE_NOOP("Category", "New"),
        QT_TRANSLATE_NOOP("Category", "Home"),
        QT_TRANSLATE_NOOP("Category", "Work"),
        QT_TRANSLATE_NOOP("Category", "Personal"),
    };
    if (category < 0 || category >= kCategoryCount)
        return {};
    return QCoreApplication::translate("Category", kNames[category]);
}
