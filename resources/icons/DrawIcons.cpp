// Draws the program's icons as PNG files (16, 24 and 32 pixels), and the application icon
// also at the desktop's larger sizes and as an SVG for the icon theme. Not part of the build:
// the files are committed. Rebuild them with (qt6-svg-dev)
//   g++ -std=c++20 -fPIC DrawIcons.cpp $(pkg-config --cflags --libs Qt6Gui Qt6Svg) \
//       -o /tmp/drawicons
//   QT_QPA_PLATFORM=offscreen /tmp/drawicons resources/icons
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Every picture is designed on a 32 x 32 grid; s scales it. Small sizes get a minimum
// stroke so that lines stay visible at 16 pixels.
struct Canvas {
    QPainter& p;
    int size;
    double s() const { return size / 32.0; }
    double pen(double w32) const { return std::max(w32 * s(), size <= 16 ? 1.5 : 1.0); }
};

QColor Rgb(int r, int g, int b) {
    return QColor(r, g, b);
}

// A telephone handset, used by the application and the tray icons: drawn upright around
// the origin, then turned so that the earpiece sits top-left.
void Handset(Canvas& c, const QColor& fill, double cx, double cy) {
    const double s = c.s();
    c.p.save();
    c.p.translate(cx * s, cy * s);
    c.p.rotate(-40);
    // The union turns curves into short straight segments, too coarse above 32 pixels: there
    // it is worked out 16 times larger so that the curves stay round (and in the SVG).
    const double k = c.size > 32 ? 16 : 1;
    c.p.scale(s / k, s / k);
    QPainterPath path;
    path.addRoundedRect(QRectF(-5 * k, -14 * k, 11 * k, 8 * k), 2.5 * k, 2.5 * k);
    path.addRoundedRect(QRectF(-5 * k, 6 * k, 11 * k, 8 * k), 2.5 * k, 2.5 * k);
    QPainterPath grip;
    grip.moveTo(-4 * k, -9 * k);
    grip.quadTo(-9 * k, 0, -4 * k, 9 * k);
    grip.lineTo(1 * k, 9 * k);
    grip.quadTo(-3 * k, 0, 1 * k, -9 * k);
    grip.closeSubpath();
    path = path.united(grip);
    c.p.setPen(QPen(Rgb(20, 20, 20), c.pen(1.2) * k / s));
    c.p.setBrush(fill);
    c.p.drawPath(path);
    c.p.restore();
}

void RingWaves(Canvas& c, const QColor& colour) {
    const double s = c.s();
    c.p.setBrush(Qt::NoBrush);
    c.p.setPen(QPen(colour, c.pen(2.2), Qt::SolidLine, Qt::RoundCap));
    const double cx = 19, cy = 13;
    for (double r : {5.5, 10.0}) {
        if (c.size <= 16 && r > 6)
            r = 9.5;
        c.p.drawArc(QRectF((cx - r) * s, (cy - r) * s, 2 * r * s, 2 * r * s), 5 * 16, 80 * 16);
        if (c.size <= 16)
            break;
    }
}

void Application(Canvas& c) { // 128
    const double s = c.s();
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(Rgb(16, 16, 16));
    c.p.drawRoundedRect(QRectF(0.5 * s, 0.5 * s, 31 * s, 31 * s), 6 * s, 6 * s);
    Handset(c, Rgb(250, 250, 250), 14, 18);
    RingWaves(c, Rgb(0, 220, 0));
}

void Tray(Canvas& c) { // 145
    Handset(c, Rgb(30, 120, 230), 13, 18);
    RingWaves(c, Rgb(230, 40, 40));
}

void Disc(Canvas& c, const QColor& fill) {
    const double s = c.s();
    c.p.setPen(QPen(fill.darker(160), c.pen(1.0)));
    c.p.setBrush(fill);
    c.p.drawEllipse(QRectF(1.5 * s, 1.5 * s, 29 * s, 29 * s));
}

void Info(Canvas& c) { // 137
    const double s = c.s();
    Disc(c, Rgb(30, 100, 220));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(Qt::white);
    c.p.drawEllipse(QRectF(13.5 * s, 6 * s, 5 * s, 5 * s));
    c.p.drawRect(QRectF(13.5 * s, 13 * s, 5 * s, 13 * s));
}

void About(Canvas& c) { // 141
    const double s = c.s();
    Disc(c, Rgb(40, 160, 60));
    QFont font("Liberation Sans");
    font.setBold(true);
    font.setPixelSize(static_cast<int>(26 * s));
    c.p.setFont(font);
    c.p.setPen(Qt::white);
    c.p.drawText(QRectF(0, 1 * s, 32 * s, 32 * s), Qt::AlignCenter, "?");
}

void Book(Canvas& c) { // 142
    const double s = c.s();
    c.p.setPen(QPen(Rgb(60, 20, 10), c.pen(1.2)));
    // Pages, then the cover on top of them.
    c.p.setBrush(Rgb(245, 240, 225));
    c.p.drawRect(QRectF(8 * s, 4 * s, 20 * s, 25 * s));
    c.p.setBrush(Rgb(170, 40, 30));
    c.p.drawRoundedRect(QRectF(4 * s, 2 * s, 21 * s, 25 * s), 2 * s, 2 * s);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(Rgb(110, 20, 15));
    c.p.drawRect(QRectF(4.5 * s, 2.5 * s, 3.5 * s, 24 * s));
    c.p.setBrush(Rgb(250, 210, 80));
    c.p.drawRect(QRectF(11 * s, 8 * s, 10 * s, 3 * s));
    c.p.drawRect(QRectF(11 * s, 14 * s, 10 * s, 2 * s));
}

void CallList(Canvas& c) { // 147
    const double s = c.s();
    c.p.setPen(QPen(Rgb(60, 60, 60), c.pen(1.2)));
    c.p.setBrush(Rgb(250, 250, 250));
    c.p.drawRect(QRectF(5 * s, 2 * s, 22 * s, 28 * s));
    c.p.setPen(QPen(Rgb(30, 100, 220), c.pen(2.0)));
    for (int row = 0; row < 5; ++row) {
        double y = (7 + row * 5) * s;
        c.p.drawLine(QPointF(9 * s, y), QPointF(23 * s, y));
    }
}

void Paint(QPaintDevice& device, int size, const std::function<void(Canvas&)>& draw) {
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    Canvas canvas{painter, size};
    draw(canvas);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const std::pair<int, std::function<void(Canvas&)>> icons[] = {
        {128, Application}, {137, Info}, {141, About}, {142, Book}, {145, Tray}, {147, CallList},
    };
    for (const auto& [id, draw] : icons) {
        // The application icon also stands for the program in menus and software centres.
        std::vector<int> sizes{16, 24, 32};
        if (id == 128)
            sizes.insert(sizes.end(), {48, 64, 128, 256});
        for (int size : sizes) {
            QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            Paint(image, size, draw);
            const QString name = QStringLiteral("%1/%2-%3.png").arg(dir).arg(id).arg(size);
            if (!image.save(name)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
                return 1;
            }
        }
    }

    // The same picture as the 256-pixel one, for any size.
    const int size = 256;
    QSvgGenerator svg;
    svg.setFileName(dir + QStringLiteral("/128.svg"));
    svg.setSize(QSize(size, size));
    svg.setViewBox(QRect(0, 0, size, size));
    svg.setTitle(QStringLiteral("Tintorel"));
    Paint(svg, size, Application);
    return 0;
}
