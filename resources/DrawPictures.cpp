// Draws the five pictures of the application and its icon into a folder:
//   tolvane_draw_pictures <folder>
// The icon is written at each size a desktop asks for, as icon-<size>.png.
// The drawing uses no fonts and no randomness, so the same program writes the same files.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

namespace {

constexpr int kJpegQuality = 92;

// Places fixed by the main window's layout: the picture band across its top, and the two
// canvases that sit on it. A canvas picture is drawn on the very piece of the backdrop it
// covers, so it blends into the window without a seam.
constexpr int kBandHeight = 50;
const QRect kTopRightCanvas(454, 0, 58, 64);
const QRect kMiddleCanvas(183, 0, 160, 48);
const QSize kMainWindow(512, 317);
const QSize kHelpWindow(800, 480);
constexpr int kHelpBandHeight = 56;
constexpr int kHelpSidebarWidth = 180;
// The sizes at which the application icon is installed.
constexpr int kIconSizes[] = {48, 128, 256};

QPointF onCircle(QPointF centre, double radius, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    return centre + QPointF(radius * std::cos(radians), -radius * std::sin(radians));
}

// An arc of a circle, counter-clockwise from `fromDegrees` to `toDegrees`, ending in an
// arrow head.
void drawArrowArc(QPainter& p, QPointF centre, double radius, double fromDegrees,
                  double toDegrees) {
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(circle, fromDegrees);
    arc.arcTo(circle, fromDegrees, toDegrees - fromDegrees);
    p.strokePath(arc, p.pen());

    const QPointF tip = onCircle(centre, radius, toDegrees + 14);
    const QPointF outer = onCircle(centre, radius + 4.5, toDegrees - 4);
    const QPointF inner = onCircle(centre, radius - 4.5, toDegrees - 4);
    p.save();
    p.setBrush(p.pen().color());
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({tip, outer, inner}));
    p.restore();
}

// The product mark: two arrows chasing each other round a circle.
void drawMark(QPainter& p, QPointF centre, double radius) {
    p.save();
    p.setPen(QPen(QColor(168, 203, 236), 2.6, Qt::SolidLine, Qt::RoundCap));
    drawArrowArc(p, centre, radius, 200, 330);
    drawArrowArc(p, centre, radius, 20, 150);
    p.restore();
}

// The band's colours over `area`: a calm vertical gradient with a soft light from a point
// above its upper left.
void fillBandColours(QPainter& p, const QRectF& area, QPointF light, double reach, int glare) {
    QLinearGradient depth(area.topLeft(), area.bottomLeft());
    depth.setColorAt(0.0, QColor(52, 80, 110));
    depth.setColorAt(0.55, QColor(33, 55, 80));
    depth.setColorAt(1.0, QColor(25, 42, 62));
    p.fillRect(area, depth);

    QRadialGradient glow(light, reach);
    glow.setColorAt(0.0, QColor(255, 255, 255, glare));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(area, glow);
}

// The dark band that carries white text: the band's colours, a faint sweep and a thin accent
// line along its lower edge.
void drawBand(QPainter& p, const QRectF& band) {
    fillBandColours(p, band, band.topLeft() + QPointF(110, -30), 260, 34);

    // A faint sweep across the band keeps the gradient from looking flat.
    QPainterPath sweep;
    sweep.moveTo(band.left(), band.top() + band.height() * 0.62);
    sweep.cubicTo(band.left() + band.width() * 0.35, band.top() + band.height() * 0.30,
                  band.left() + band.width() * 0.65, band.top() + band.height() * 0.95,
                  band.right() + 1, band.top() + band.height() * 0.40);
    sweep.lineTo(band.right() + 1, band.top());
    sweep.lineTo(band.left(), band.top());
    sweep.closeSubpath();
    p.fillPath(sweep, QColor(255, 255, 255, 10));

    p.fillRect(QRectF(band.left(), band.top(), band.width(), 1), QColor(110, 140, 172));
    p.fillRect(QRectF(band.left(), band.bottom() - 1, band.width(), 2), QColor(74, 122, 170));
}

// A soft shadow that the band casts on the surface below it.
void drawShadowBelow(QPainter& p, const QRectF& band) {
    QLinearGradient shade(0, band.bottom(), 0, band.bottom() + 7);
    shade.setColorAt(0.0, QColor(0, 0, 0, 40));
    shade.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(band.left(), band.bottom(), band.width(), 7), shade);
}

void fillVertical(QPainter& p, const QRectF& area, const QColor& top, const QColor& bottom) {
    QLinearGradient surface(area.topLeft(), area.bottomLeft());
    surface.setColorAt(0.0, top);
    surface.setColorAt(1.0, bottom);
    p.fillRect(area, surface);
}

QImage newImage(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage drawBackground() {
    QImage image = newImage(kMainWindow);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF band(0, 0, kMainWindow.width(), kBandHeight);
    fillVertical(p, QRectF(0, kBandHeight, kMainWindow.width(), kMainWindow.height()),
                 QColor(242, 242, 243), QColor(228, 229, 232));
    drawBand(p, band);
    drawShadowBelow(p, band);
    drawMark(p, QPointF(27, 24), 11);
    return image;
}

// A hard disk with its cover off, seen from above: case, platter, spindle and head arm.
// While it is being written its light is on, the platter spins, the arm sits over the
// data and a badge with an arrow shows data coming in.
void drawDrive(QPainter& p, bool writing) {
    const QRectF body(8, 4, 42, 56);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 22));
    for (int spread = 3; spread >= 1; --spread)
        p.drawRoundedRect(body.translated(0.5, 1.5).adjusted(-spread, -spread, spread, spread),
                          5 + spread, 5 + spread);

    QLinearGradient metal(body.topLeft(), body.bottomRight());
    metal.setColorAt(0.0, QColor(246, 248, 250));
    metal.setColorAt(0.5, QColor(206, 212, 219));
    metal.setColorAt(1.0, QColor(160, 169, 179));
    p.setPen(QPen(QColor(72, 82, 94), 1));
    p.setBrush(metal);
    p.drawRoundedRect(body, 5, 5);

    const QRectF well = body.adjusted(3, 3, -3, -3);
    QLinearGradient recess(well.topLeft(), well.bottomLeft());
    recess.setColorAt(0.0, QColor(178, 186, 196));
    recess.setColorAt(1.0, QColor(214, 219, 225));
    p.setPen(QPen(QColor(120, 130, 142), 0.8));
    p.setBrush(recess);
    p.drawRoundedRect(well, 3.5, 3.5);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 120, 132));
    for (const QPointF screw :
         {QPointF(11.2, 7.2), QPointF(46.8, 7.2), QPointF(11.2, 56.8), QPointF(46.8, 56.8)})
        p.drawEllipse(screw, 1.2, 1.2);

    const QPointF hub(29, 25);
    const double platter = 15.5;
    QRadialGradient disc(hub + QPointF(-5, -6), platter * 1.5);
    disc.setColorAt(0.0, QColor(252, 253, 255));
    disc.setColorAt(0.55, QColor(196, 207, 220));
    disc.setColorAt(1.0, QColor(128, 142, 158));
    p.setPen(QPen(QColor(88, 100, 114), 1));
    p.setBrush(disc);
    p.drawEllipse(hub, platter, platter);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 70), 0.8));
    for (const double ring : {7.5, 10.5, 13.0})
        p.drawEllipse(hub, ring, ring);
    if (writing) {
        p.setPen(QPen(QColor(70, 150, 230, 170), 1.6, Qt::SolidLine, Qt::RoundCap));
        const QRectF track(hub.x() - 12, hub.y() - 12, 24, 24);
        p.drawArc(track, 30 * 16, 70 * 16);
        p.drawArc(track, 210 * 16, 70 * 16);
    }

    QRadialGradient spindle(hub + QPointF(-1, -1), 4.5);
    spindle.setColorAt(0.0, QColor(250, 251, 252));
    spindle.setColorAt(1.0, QColor(150, 160, 172));
    p.setPen(QPen(QColor(90, 100, 112), 0.8));
    p.setBrush(spindle);
    p.drawEllipse(hub, 4, 4);
    p.setBrush(QColor(90, 100, 112));
    p.drawEllipse(hub, 1, 1);

    // The arm pivots at the lower right; idle it rests beside the platter.
    const QPointF pivot(43, 49);
    const double armAngle = writing ? 118 : 96;
    const QPointF head = onCircle(pivot, 19, armAngle);
    p.setPen(QPen(QColor(64, 72, 82), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(pivot, head);
    p.setPen(QPen(QColor(150, 158, 168), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(pivot, head);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 56, 64));
    p.drawEllipse(head, 1.8, 1.8);
    QRadialGradient bearing(pivot + QPointF(-1, -1), 5);
    bearing.setColorAt(0.0, QColor(180, 188, 198));
    bearing.setColorAt(1.0, QColor(70, 78, 88));
    p.setPen(QPen(QColor(50, 56, 64), 0.8));
    p.setBrush(bearing);
    p.drawEllipse(pivot, 4.2, 4.2);

    const QPointF light(15.5, 53);
    if (writing) {
        QRadialGradient halo(light, 7);
        halo.setColorAt(0.0, QColor(120, 255, 140, 200));
        halo.setColorAt(1.0, QColor(120, 255, 140, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.drawEllipse(light, 7, 7);
    }
    p.setPen(QPen(QColor(40, 60, 45), 0.8));
    p.setBrush(writing ? QColor(110, 250, 130) : QColor(78, 100, 84));
    p.drawEllipse(light, 1.8, 1.8);

    if (writing) {
        const QPointF badge(48, 11);
        QRadialGradient blue(badge + QPointF(-2, -3), 10);
        blue.setColorAt(0.0, QColor(110, 180, 250));
        blue.setColorAt(1.0, QColor(30, 105, 200));
        p.setPen(QPen(QColor(255, 255, 255), 1.4));
        p.setBrush(blue);
        p.drawEllipse(badge, 7.5, 7.5);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(
            QPolygonF({badge + QPointF(-1.3, -4.5), badge + QPointF(1.3, -4.5),
                       badge + QPointF(1.3, 0), badge + QPointF(4, 0), badge + QPointF(0, 4.5),
                       badge + QPointF(-4, 0), badge + QPointF(-1.3, 0)}));
    }
}

QImage drawDrivePicture(const QImage& background, bool writing) {
    QImage image = background.copy(kTopRightCanvas);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawDrive(p, writing);
    return image;
}

// Data on its way to the drive: two guide rails with packets moving right, above and below
// the strip where the scrolling digits run, fading in from the left and out at the right.
QImage drawDataFlow(const QImage& background) {
    QImage image = background.copy(kMiddleCanvas);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double width = kMiddleCanvas.width();

    QLinearGradient strip(0, 0, width, 0);
    strip.setColorAt(0.0, QColor(10, 20, 32, 0));
    strip.setColorAt(0.2, QColor(10, 20, 32, 60));
    strip.setColorAt(0.8, QColor(10, 20, 32, 60));
    strip.setColorAt(1.0, QColor(10, 20, 32, 0));
    p.fillRect(QRectF(0, 14, width, 21), strip);

    QLinearGradient rail(0, 0, width, 0);
    rail.setColorAt(0.0, QColor(120, 180, 235, 0));
    rail.setColorAt(0.25, QColor(120, 180, 235, 150));
    rail.setColorAt(0.85, QColor(120, 180, 235, 150));
    rail.setColorAt(1.0, QColor(120, 180, 235, 0));
    for (const double y : {11.5, 37.5})
        p.fillRect(QRectF(0, y - 0.5, width, 1), rail);

    // Packets on the rails are thicker than the stray ones beside them.
    struct Packet {
        double x;
        double length;
        double y;
        double thickness;
    };
    const Packet packets[] = {{22, 14, 11.5, 2.2},  {58, 22, 11.5, 2.2},  {101, 10, 11.5, 2.2},
                              {128, 18, 11.5, 2.2}, {8, 18, 37.5, 2.2},   {44, 10, 37.5, 2.2},
                              {79, 24, 37.5, 2.2},  {118, 12, 37.5, 2.2}, {36, 8, 7.5, 1.4},
                              {92, 12, 7.5, 1.4},   {66, 9, 41.5, 1.4},   {140, 8, 41.5, 1.4}};
    for (const Packet& packet : packets) {
        const double fade = std::sin(std::numbers::pi * (packet.x + packet.length) / width);
        const int alpha = static_cast<int>(230 * std::max(0.0, fade));
        QLinearGradient tail(packet.x, 0, packet.x + packet.length, 0);
        tail.setColorAt(0.0, QColor(200, 230, 255, 0));
        tail.setColorAt(1.0, QColor(225, 242, 255, alpha));
        p.setPen(QPen(QBrush(tail), packet.thickness, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(packet.x, packet.y), QPointF(packet.x + packet.length, packet.y));
    }

    p.setPen(QPen(QColor(150, 200, 245, 170), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const double x : {138.0, 145.0}) {
        for (const double y : {11.5, 37.5})
            p.drawPolyline(QPolygonF(
                {QPointF(x - 2.5, y - 3.5), QPointF(x + 1, y), QPointF(x - 2.5, y + 3.5)}));
    }
    return image;
}

QImage drawHelpBackground() {
    QImage image = newImage(kHelpWindow);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double width = kHelpWindow.width();
    const double height = kHelpWindow.height();
    const QRectF band(0, 0, width, kHelpBandHeight);

    fillVertical(p, QRectF(0, kHelpBandHeight, width, height - kHelpBandHeight),
                 QColor(250, 250, 251), QColor(241, 242, 245));
    fillVertical(p, QRectF(0, kHelpBandHeight, kHelpSidebarWidth, height - kHelpBandHeight),
                 QColor(236, 241, 247), QColor(226, 232, 240));
    p.fillRect(QRectF(kHelpSidebarWidth, kHelpBandHeight, 1, height - kHelpBandHeight),
               QColor(208, 216, 226));
    drawBand(p, band);
    drawShadowBelow(p, band);
    drawMark(p, QPointF(30, kHelpBandHeight / 2.0 - 1), 12);
    return image;
}

// The application icon: the product mark on a tile of the band's colours, in 64 units scaled
// to `size` pixels, with a soft shadow under the tile and transparent corners.
QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    const QRectF tile(4, 4, 56, 56);
    constexpr double corner = 12;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 18));
    for (int spread = 3; spread >= 1; --spread)
        p.drawRoundedRect(tile.translated(0, 1.5).adjusted(-spread, -spread, spread, spread),
                          corner + spread, corner + spread);

    QPainterPath outline;
    outline.addRoundedRect(tile, corner, corner);
    p.save();
    p.setClipPath(outline);
    fillBandColours(p, tile, tile.topLeft() + QPointF(12, -6), 62, 44);
    p.fillRect(QRectF(tile.left(), tile.bottom() - 2.5, tile.width(), 2.5), QColor(74, 122, 170));
    p.restore();
    p.setPen(QPen(QColor(110, 140, 172), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tile.adjusted(0.5, 0.5, -0.5, -0.5), corner - 0.5, corner - 0.5);

    // The very mark of the picture band, enlarged about its centre.
    p.translate(tile.center());
    p.scale(1.6, 1.6);
    drawMark(p, QPointF(0, 0), 11);
    return image;
}

bool save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    // The pictures are JPEG; the icon is PNG at its default compression, for its transparency.
    const bool png = name.endsWith(".png");
    if (image.save(path, png ? "PNG" : "JPEG", png ? -1 : kJpegQuality))
        return true;
    QTextStream(stderr) << "cannot write " << path << '\n';
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Drawing needs no screen: the offscreen platform serves wherever this runs.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: tolvane_draw_pictures <folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !folder.mkpath(".")) {
        QTextStream(stderr) << "cannot create " << folder.path() << '\n';
        return 1;
    }

    const QImage background = drawBackground();
    const bool written = save(background, folder, "background.jpg") &&
                         save(drawDrivePicture(background, false), folder, "hard_drive.jpg") &&
                         save(drawDrivePicture(background, true), folder, "backup_drive.jpg") &&
                         save(drawDataFlow(background), folder, "hard_drive2.jpg") &&
                         save(drawHelpBackground(), folder, "help_background.jpg");
    const bool iconsWritten = std::ranges::all_of(kIconSizes, [&](int size) {
        return save(drawIcon(size), folder, QString("icon-%1.png").arg(size));
    });
    return written && iconsWritten ? 0 : 1;
}
