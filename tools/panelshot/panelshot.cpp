// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Makes a picture of the artwork as users see it: the display strip with a
// path, a time and half a bar, and every button image, on the panel's grey.
//   vellory_panelshot <picture.png> [--show]
// With --show the window also stays on screen (for a screenshot of the
// real display, e.g. under Xvfb) until it is closed.
//   vellory_panelshot --window panel|manager|format <picture.png>
// pictures one of the program's windows as it opens, for the AppStream
// screenshots (tools/panelshot/screenshots.sh). The manager lists the
// recordings under $HOME's default root, so run it with a HOME prepared for it.
#include "panel/CDisplayPanel.h"
#include "res/Resources.h"
#include "tools/panelshot/WindowShot.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include <cstdio>
#include <cstring>

namespace {

const QColor kFace(75, 75, 75);

struct ButtonRow {
    const char* caption;
    bool disabledImage;
};
constexpr ButtonRow kRows[] = {{"REC", true},    {"STOP", true},    {"PLAY", true}, {"MANAGER", true},
                               {"POWER", false}, {"OPTION", false}, {"MIN", false}};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <picture.png> [--show]\n", argv[0]);
        return 2;
    }
    const bool show = argc > 2 && std::strcmp(argv[2], "--show") == 0;
    if (!show && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitVelloryResources();
    if (std::strcmp(argv[1], "--window") == 0)
        return argc == 4 ? ShotWindow(argv[2], argv[3]) : 2;

    QWidget sheet;
    sheet.setWindowTitle(QStringLiteral("Vellory artwork"));
    QPalette palette = sheet.palette();
    palette.setColor(QPalette::Window, kFace);
    sheet.setPalette(palette);
    sheet.setAutoFillBackground(true);

    auto* display = new CDisplayPanel(&sheet);
    display->move(12, 12);
    display->SetText("/home/user/fmanager/2/08-Dec-2026_61234.wav");
    display->SetRange(0, 130000, false);
    display->SetPosition(65000);
    display->SetSeconds(65);
    display->SetCategory(2);

    int y = 12 + CDisplayPanel::kHeight + 12;
    int width = 12 + CDisplayPanel::kWidth + 12;
    for (const ButtonRow& row : kRows) {
        int x = 12;
        int height = 0;
        for (const char* state : {"U", "D", "F", "X"}) {
            if (state[0] == 'X' && !row.disabledImage)
                continue;
            const QPixmap image(QStringLiteral(":/images/buttons/%1%2.png").arg(row.caption, state));
            if (image.isNull()) {
                std::fprintf(stderr, "missing button image %s%s\n", row.caption, state);
                return 1;
            }
            auto* label = new QLabel(&sheet);
            label->setPixmap(image);
            label->setGeometry(x, y, image.width(), image.height());
            x += image.width() + 8;
            height = image.height();
        }
        width = std::max(width, x + 4);
        y += height + 6;
    }
    sheet.setFixedSize(width, y + 6);

    if (!sheet.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    if (!show)
        return 0;
    sheet.show();
    return app.exec();
}
