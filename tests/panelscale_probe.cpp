// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Shows the recorder panel at whatever scale QT_SCALE_FACTOR sets, takes it
// through the repaints a recording and a playback cause, and saves what is on
// screen twice: as those partial repaints left it, and after one repaint of
// the whole window.
//   panelscale_probe <partial.png> <full.png>
// Prints the device pixel ratio and the display's geometry in the window.
#include "panel/CDisplayPanel.h"
#include "panel/CRecorderDlg.h"

#include <QApplication>
#include <QBackingStore>
#include <QScreen>
#include <QTest>

#include <cstdio>

namespace {

// The window's pixels as its paints left them, in device pixels. (The
// offscreen platform's screen grab crops them to the logical size.)
QImage OnScreen(QWidget& w)
{
    QPaintDevice* device = w.backingStore() ? w.backingStore()->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return {};
    QImage image = static_cast<QImage*>(device)->convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <partial.png> <full.png>\n", argv[0]);
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CRecorderDlg dlg;
    CDisplayPanel* display = dlg.Display();
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg))
        return 3;
    QApplication::processEvents();

    // A recording: the seconds tick, the level moves the bar, a pause blinks.
    display->SetText("/home/user/fmanager/2/08-Dec-2026_61234.wav");
    display->SetBarMode(CDisplayPanel::BarMode::Level);
    for (uint32_t s = 0; s < 12; ++s) {
        display->SetSeconds(s);
        display->SetLevel(-60.0f + 5.0f * float(s));
        QApplication::processEvents();
    }
    display->SetBlinking(true);
    QTest::qWait(CDisplayPanel::kBlinkMs + 100);
    display->SetBlinking(false);
    QApplication::processEvents();
    // A playback: the bar's position, a longer time, another category.
    display->SetBarMode(CDisplayPanel::BarMode::Position);
    display->SetRange(0, 200000, false);
    for (int32_t ms = 0; ms <= 125000; ms += 2500) {
        display->SetPosition(ms);
        display->SetSeconds(uint32_t(ms / 1000));
        QApplication::processEvents();
    }
    display->SetCategory(2);
    QApplication::processEvents();

    const QImage partial = OnScreen(dlg);
    dlg.repaint();
    QApplication::processEvents();
    const QImage full = OnScreen(dlg);
    // A fresh rendering must match what the window holds.
    QImage rendered = dlg.grab().toImage().convertToFormat(QImage::Format_RGB32);
    rendered.setDevicePixelRatio(1);
    if (rendered != full) {
        std::fprintf(stderr, "the window's pixels differ from a fresh rendering (%dx%d against %dx%d)\n",
                     full.width(), full.height(), rendered.width(), rendered.height());
        return 5;
    }
    if (!partial.save(QString::fromLocal8Bit(argv[1])) || !full.save(QString::fromLocal8Bit(argv[2])))
        return 4;
    const QRect g = display->geometry();
    std::printf("%g %d %d %d %d %d %d\n", dlg.devicePixelRatioF(), dlg.width(), dlg.height(), g.x(), g.y(),
                g.width(), g.height());
    return 0;
}
