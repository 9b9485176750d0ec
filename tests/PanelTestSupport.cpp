// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "PanelTestSupport.h"

#include "common/MessageBoxes.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CRecorderDlg.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

Boxes::Boxes()
{
    SetMessageBoxHook([this](const QString& text, unsigned style) {
        boxes.push_back({text.toStdString(), style});
        if (onBox)
            onBox();
        return IDOK;
    });
}

Boxes::~Boxes() { SetMessageBoxHook({}); }

int Boxes::MessageBox(const std::string& text, unsigned style)
{
    boxes.push_back({text, style});
    return IDOK;
}

Buttons ButtonsOf(const CRecorderDlg& dlg)
{
    return {dlg.Button(IDC_REC)->isEnabled(), dlg.Button(IDC_STOP)->isEnabled(), dlg.Button(IDC_PLAY)->isEnabled()};
}

bool DisplayShows(CDisplayPanel* display, uint32_t seconds)
{
    // The time "MM:SS" sits in the top-left corner, before the text.
    CDisplayPanel reference;
    reference.SetSeconds(seconds);
    const QRect time(0, 0, 55, 16);
    return reference.Render().copy(time) == display->Render().copy(time);
}

void ShowActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

MenuPicker::MenuPicker(Qt::Key key)
{
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this, key] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        m_timer.stop();
        ++m_seen;
        QTest::keyClick(menu, key);
    });
    m_timer.start();
}
