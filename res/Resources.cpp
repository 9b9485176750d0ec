// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "res/Resources.h"

#include <QtGlobal>

#include <mutex>

// Q_INIT_RESOURCE must run outside any namespace.
static void RegisterImages()
{
    Q_INIT_RESOURCE(vellory_images);
}

void InitVelloryResources()
{
    static std::once_flag once;
    std::call_once(once, RegisterImages);
}
