// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Draws the application icon for desktops (menus, docks, software centres):
// a microphone with a musical note on the panel's grey, in the panel's
// colours. One list of vector shapes is both written out as the scalable SVG
// and painted into the PNGs, so every size shows the same drawing.
//   vellory_icongen <output folder> <icon name> <size>...
// writes <folder>/scalable/apps/<name>.svg and <folder>/<N>x<N>/apps/<name>.png.
#include "tools/artgen/Palette.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QTransform>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kCanvas = 256; // design units; the SVG's view box

struct Shape {
    QPainterPath path; // always filled: strokes are turned into outlines first
    QRgb colour;
};

QPainterPath RoundRect(double x, double y, double w, double h, double r)
{
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

QPainterPath Outline(const QPainterPath& centre, double width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(centre).simplified();
}

std::vector<Shape> IconShapes()
{
    std::vector<Shape> shapes;
    // The panel's face inside a light top-left and dark bottom-right bevel.
    shapes.push_back({RoundRect(12, 12, 232, 232, 44), pal::BevelBottom[1]});
    shapes.push_back({RoundRect(12, 12, 226, 226, 42), pal::BevelTop[1]});
    shapes.push_back({RoundRect(20, 20, 216, 216, 36), pal::Face});

    // Microphone: the stand's cradle, stem and foot, then the capsule.
    QPainterPath cradle;
    cradle.moveTo(62, 112);
    cradle.cubicTo(62, 176, 162, 176, 162, 112);
    shapes.push_back({Outline(cradle, 12), pal::Grey(200)});
    shapes.push_back({RoundRect(106, 160, 12, 34, 3), pal::Grey(200)});
    shapes.push_back({RoundRect(74, 190, 76, 14, 7), pal::Grey(200)});
    shapes.push_back({RoundRect(80, 40, 64, 112, 32), pal::ButtonShade[1]});
    shapes.push_back({RoundRect(84, 42, 56, 106, 28), pal::ButtonFace});
    // The grille's slots.
    for (int i = 0; i < 4; ++i)
        shapes.push_back({RoundRect(96, 66 + i * 16, 32, 6, 3), pal::ButtonShade[0]});
    // A highlight down the capsule's left side.
    shapes.push_back({RoundRect(90, 56, 8, 60, 4), pal::ButtonLight[1]});

    // A quaver beside it, in the panel's lettering green.
    QPainterPath head;
    head.addEllipse(QPointF(0, 0), 17, 12);
    shapes.push_back({QTransform().translate(186, 172).rotate(-22).map(head), pal::Lettering});
    shapes.push_back({RoundRect(196, 72, 8, 100, 3), pal::Lettering});
    QPainterPath flag;
    flag.moveTo(198, 72);
    flag.cubicTo(206, 96, 236, 100, 222, 136);
    shapes.push_back({Outline(flag, 9), pal::Lettering});

    // The red dot of a recording in progress.
    QPainterPath dot;
    dot.addEllipse(QPointF(56, 60), 18, 18);
    shapes.push_back({dot, pal::RecRed});
    return shapes;
}

QString Number(double v)
{
    QString s = QString::number(v, 'f', 2);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

// An SVG path's data for a Qt path of lines and cubic curves.
QString PathData(const QPainterPath& path)
{
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            d += QStringLiteral("M%1 %2").arg(Number(e.x), Number(e.y));
        } else if (e.isLineTo()) {
            d += QStringLiteral("L%1 %2").arg(Number(e.x), Number(e.y));
        } else if (e.isCurveTo()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element to = path.elementAt(i + 2);
            d += QStringLiteral("C%1 %2 %3 %4 %5 %6")
                     .arg(Number(e.x), Number(e.y), Number(c2.x), Number(c2.y), Number(to.x), Number(to.y));
            i += 2;
        }
    }
    return d + QLatin1Char('Z');
}

QString Svg(const std::vector<Shape>& shapes)
{
    QString svg = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n")
                      .arg(kCanvas);
    for (const Shape& s : shapes)
        svg += QStringLiteral("  <path fill=\"%1\" fill-rule=\"%2\" d=\"%3\"/>\n")
                   .arg(QColor(s.colour).name(),
                        s.path.fillRule() == Qt::WindingFill ? QStringLiteral("nonzero") : QStringLiteral("evenodd"),
                        PathData(s.path));
    return svg + QStringLiteral("</svg>\n");
}

QImage Render(const std::vector<Shape>& shapes, int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kCanvas, size / kCanvas);
    painter.setPen(Qt::NoPen);
    for (const Shape& s : shapes)
        painter.fillPath(s.path, QColor(s.colour));
    painter.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

bool Write(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: vellory_icongen <output folder> <icon name> <size>...\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const std::vector<Shape> shapes = IconShapes();

    const QString svgDir = out + QStringLiteral("/scalable/apps");
    if (!QDir().mkpath(svgDir) || !Write(svgDir + '/' + name + QStringLiteral(".svg"), Svg(shapes).toUtf8())) {
        std::fprintf(stderr, "vellory_icongen: cannot write %s\n", qPrintable(svgDir));
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "vellory_icongen: bad size '%s'\n", argv[i]);
            return 2;
        }
        const QString dir = out + QStringLiteral("/%1x%1/apps").arg(size);
        const QString file = dir + '/' + name + QStringLiteral(".png");
        if (!QDir().mkpath(dir) || !Render(shapes, size).save(file, "PNG")) {
            std::fprintf(stderr, "vellory_icongen: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
