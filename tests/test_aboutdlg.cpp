// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The about box's version and address come from the build's one version and
// home page, the same the installed metainfo and desktop entry carry.
#include "panel/CAboutDlg.h"

#include <QFile>
#include <QLabel>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {
QString Metainfo()
{
    QFile f(QStringLiteral(VELLORY_METAINFO));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList LabelTexts(const QWidget& w)
{
    QStringList texts;
    for (const QLabel* l : w.findChildren<QLabel*>())
        if (!l->text().isEmpty())
            texts << l->text();
    return texts;
}
} // namespace

TEST(AboutBox, VersionIsTheProjects)
{
    CAboutDlg dlg;
    EXPECT_TRUE(LabelTexts(dlg).contains(QStringLiteral("Vellory Version " VELLORY_VERSION))) << LabelTexts(dlg).join('|').toStdString();
    // The metainfo's release is the same version.
    EXPECT_TRUE(Metainfo().contains(QStringLiteral("<release version=\"" VELLORY_VERSION "\"")));
}

TEST(AboutBox, ContactLineIsTheHomePageTheMetainfoNames)
{
    const QRegularExpressionMatch home =
        QRegularExpression(QStringLiteral("<url type=\"homepage\">([^<]+)</url>")).match(Metainfo());
    ASSERT_TRUE(home.hasMatch()) << "no homepage in " VELLORY_METAINFO;
    EXPECT_TRUE(home.captured(1).startsWith(QStringLiteral("https://")));

    CAboutDlg dlg;
    const QString credit = CAboutDlg::CreditText();
    const QStringList lines = credit.split('\n');
    ASSERT_EQ(lines.size(), 2) << credit.toStdString();
    EXPECT_EQ(lines[1], home.captured(1));
    EXPECT_TRUE(LabelTexts(dlg).contains(credit));
    // No mail address, and no placeholder domain anywhere in the box.
    for (const QString& text : LabelTexts(dlg)) {
        EXPECT_FALSE(text.contains('@')) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("example."))) << text.toStdString();
    }
}
