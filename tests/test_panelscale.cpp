// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The whole panel at scale factors 1, 1.25, 1.5, 2 and 3: each in a process
// of its own (QT_SCALE_FACTOR works only from start-up), on the offscreen
// platform. The display must grow with the skin, keep its place in the window
// and stay sharp; repaints of parts must leave the same picture as one whole
// repaint. The pictures are kept in scale-shots/ of the test folder.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

namespace {

const QRgb kDigitGreen = qRgb(0, 204, 0);
const QRgb kBarDone = qRgb(0, 200, 0);
const QRgb kBarToGo = qRgb(128, 138, 22);

// Bounding box, exclusive right and bottom, of the pixels of one colour,
// in device pixels; x1 < 0 when there are none.
struct Box {
    int x0 = INT32_MAX, y0 = INT32_MAX, x1 = -1, y1 = -1;
};

Box BoxOf(const QImage& img, QRgb colour)
{
    Box b;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) | 0xFF000000u) == colour) {
                b.x0 = std::min(b.x0, x);
                b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x + 1);
                b.y1 = std::max(b.y1, y + 1);
            }
    return b;
}

struct Shot {
    double ratio = 0;
    QSize logical;
    QRect display;
    QImage partial, full;
};

Shot Take(const QString& factor)
{
    Shot shot;
    const QString dir = QStringLiteral(VELLORY_BINARY_DIR "/tests/scale-shots");
    QDir().mkpath(dir);
    const QString partial = dir + "/panel-" + factor + "-partial.png";
    const QString full = dir + "/panel-" + factor + ".png";
    QFile::remove(partial);
    QFile::remove(full);
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_SCALE_FACTOR", factor);
    env.remove("QT_SCREEN_SCALE_FACTORS");
    env.remove("QT_ENABLE_HIGHDPI_SCALING");
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(VELLORY_SCALE_PROBE), {partial, full});
    EXPECT_TRUE(probe.waitForFinished(60000)) << factor.toStdString();
    EXPECT_EQ(probe.exitCode(), 0) << factor.toStdString() << ": " << probe.readAllStandardError().toStdString();
    const QStringList out = QString::fromLocal8Bit(probe.readAllStandardOutput()).split(' ', Qt::SkipEmptyParts);
    EXPECT_EQ(out.size(), 7) << factor.toStdString();
    if (out.size() == 7) {
        shot.ratio = out[0].toDouble();
        shot.logical = QSize(out[1].toInt(), out[2].toInt());
        shot.display = QRect(out[3].toInt(), out[4].toInt(), out[5].toInt(), out[6].toInt());
    }
    shot.partial = QImage(partial).convertToFormat(QImage::Format_RGB32);
    shot.full = QImage(full).convertToFormat(QImage::Format_RGB32);
    return shot;
}

} // namespace

TEST(PanelScale, DisplayKeepsItsPlaceAndLookAtEveryFactor)
{
    const Shot one = Take("1");
    ASSERT_FALSE(one.full.isNull());
    ASSERT_DOUBLE_EQ(one.ratio, 1.0);
    ASSERT_EQ(one.full.size(), one.logical);
    // Reference features in the window at 1x: first digit column and row, end
    // of the text line, the bar's done part and its right and bottom ends.
    const Box digits1 = BoxOf(one.full, kDigitGreen);
    const Box done1 = BoxOf(one.full, kBarDone);
    const Box toGo1 = BoxOf(one.full, kBarToGo);
    ASSERT_GE(digits1.x1, 0);
    ASSERT_GE(done1.x1, 0);
    // The first digit's left segment 2 pixels into the display, the bar 5.
    EXPECT_EQ(digits1.x0, one.display.x() + 2);
    EXPECT_EQ(digits1.y0, one.display.y() + 2);
    EXPECT_EQ(done1.x0, one.display.x() + 5);
    EXPECT_EQ(toGo1.x1, one.display.right() - 4);
    QSet<QRgb> colours1;
    for (int y = 0; y < one.full.height(); ++y)
        for (int x = 0; x < one.full.width(); ++x)
            colours1.insert(one.full.pixel(x, y));
    EXPECT_EQ(one.partial, one.full) << "partial repaints differ from a whole one at 1x";

    for (const char* f : {"1.25", "1.5", "2", "3"}) {
        const QString factor = QString::fromLatin1(f);
        const double s = factor.toDouble();
        SCOPED_TRACE("factor " + factor.toStdString());
        const Shot shot = Take(factor);
        ASSERT_FALSE(shot.full.isNull());
        EXPECT_DOUBLE_EQ(shot.ratio, s);
        // Same logical layout; the picture grows with the factor.
        EXPECT_EQ(shot.logical, one.logical);
        EXPECT_EQ(shot.display, one.display);
        EXPECT_NEAR(shot.full.width(), one.logical.width() * s, 1.0);
        EXPECT_NEAR(shot.full.height(), one.logical.height() * s, 1.0);
        const double sx = double(shot.full.width()) / one.full.width();
        const double sy = double(shot.full.height()) / one.full.height();

        // Every feature sits where the 1x one does, relative to the window,
        // within one scaled pixel.
        const Box digits = BoxOf(shot.full, kDigitGreen);
        const Box done = BoxOf(shot.full, kBarDone);
        const Box toGo = BoxOf(shot.full, kBarToGo);
        const auto near = [&](int got, int want1x, double scale, const char* what) {
            EXPECT_LE(std::abs(got - want1x * scale), s) << what << ": " << got << " against " << want1x * scale;
        };
        near(digits.x0, digits1.x0, sx, "digits' left");
        near(digits.y0, digits1.y0, sy, "digits' top");
        near(digits.x1, digits1.x1, sx, "text's right end");
        near(digits.y1, digits1.y1, sy, "digits' bottom");
        near(done.x0, done1.x0, sx, "bar's left");
        near(done.x1, done1.x1, sx, "bar's done part");
        near(done.y1, done1.y1, sy, "bar's bottom");
        near(toGo.x1, toGo1.x1, sx, "bar's right");

        // Sharp: nearest neighbour only, so no colour appears that the 1x
        // picture does not have (a smoothed or blended edge would).
        int blended = 0;
        for (int y = 0; y < shot.full.height(); ++y)
            for (int x = 0; x < shot.full.width(); ++x)
                blended += !colours1.contains(shot.full.pixel(x, y));
        EXPECT_EQ(blended, 0);

        // The partial repaints of the ticks left the same picture as one
        // repaint of the whole window: no seams at fractional factors.
        int seams = 0;
        if (shot.partial.size() == shot.full.size())
            for (int y = 0; y < shot.full.height(); ++y)
                for (int x = 0; x < shot.full.width(); ++x)
                    seams += shot.partial.pixel(x, y) != shot.full.pixel(x, y);
        EXPECT_EQ(shot.partial.size(), shot.full.size());
        EXPECT_EQ(seams, 0);
    }
}
