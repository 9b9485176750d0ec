// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "tools/panelshot/WindowShot.h"

#include "dialogs/CFileManagerDlg.h"
#include "panel/CFormatChooseDlg.h"
#include "panel/CRecorderDlg.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

int ShotWindow(const char* which, const char* picture)
{
    std::unique_ptr<QDialog> window;
    if (std::strcmp(which, "panel") == 0) {
        window = std::make_unique<CRecorderDlg>();
    } else if (std::strcmp(which, "manager") == 0) {
        window = std::make_unique<CFileManagerDlg>();
    } else if (std::strcmp(which, "format") == 0) {
        window = std::make_unique<CFormatChooseDlg>();
    } else {
        std::fprintf(stderr, "unknown window %s: panel, manager or format\n", which);
        return 2;
    }
    window->show();
    // The manager fills its lists once shown; give every window time to lay
    // itself out before it is pictured.
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
    if (!window->grab().save(QString::fromLocal8Bit(picture), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", picture);
        return 1;
    }
    return 0;
}
