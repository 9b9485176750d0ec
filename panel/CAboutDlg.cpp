// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CAboutDlg.h"

#include "common/DialogUnits.h"
#include "panel/PanelImages.h"
#include "res/Resources.h"
#include "res/Version.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

QString CAboutDlg::VersionText()
{
    return tr("Vellory Version %1").arg(QString::fromLatin1(kVelloryVersion));
}

QString CAboutDlg::CreditText()
{
    // The same home page the AppStream metainfo names; it leads to the issues.
    return tr("Written by the Vellory developers.\n%1").arg(QString::fromLatin1(kVelloryHomepage));
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent)
{
    InitVelloryResources();
    setWindowTitle(tr("About..."));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(DuX(235), DuY(55));

    m_icon = new QLabel(this);
    m_icon->setGeometry(DuRect(11, 17, 20, 20));
    const QIcon icon = PanelIcon();
    if (!icon.isNull())
        m_icon->setPixmap(icon.pixmap(32, 32));
    m_icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* version = new QLabel(VersionText(), this);
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(DuRect(40, 10, 131, 8));

    auto* credit = new QLabel(CreditText(), this);
    credit->setTextFormat(Qt::PlainText);
    // The contact line is wider than the template's box; the box ends at the dialog's edge.
    credit->setGeometry(DuX(40), DuY(22), width() - DuX(40) - 6, DuY(25));
    credit->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The box has a third line free: a longer translation wraps into it
    // rather than being cut at the dialog's edge. English fits on two.
    credit->setWordWrap(true);

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setGeometry(DuRect(178, 7, 50, 14));
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    m_ok->setFocus();
}
