// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The panel's pictures from the program's resources. Null when the resources
// are not linked in (the panel then paints its face colour only).
#include <QIcon>
#include <QPixmap>

// Icon 128 at both sizes.
inline QIcon PanelIcon()
{
    QIcon icon;
    const QPixmap big(QStringLiteral(":/images/icon128.png"));
    const QPixmap small(QStringLiteral(":/images/icon128_16.png"));
    if (!big.isNull())
        icon.addPixmap(big);
    if (!small.isNull())
        icon.addPixmap(small);
    return icon;
}

// Bitmap 144: the skin whose outer three rows and columns frame the panel.
inline QPixmap SkinPixmap()
{
    return QPixmap(QStringLiteral(":/images/bmp144.png"));
}
