// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The about box: icon, version, author and contact, OK.
#include <QDialog>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static QString VersionText();
    static QString CreditText();

    QLabel* IconLabel() const { return m_icon; }
    QPushButton* OkButton() const { return m_ok; }

private:
    QLabel* m_icon;
    QPushButton* m_ok;
};
