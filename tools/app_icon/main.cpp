// Draws the program's own icon for the desktop: a rounded blue tile holding a 3 × 3 grid of
// rounded white squares. One geometry feeds both the scalable SVG and the fixed-size PNGs, so every
// size shows the same picture.
//
// Usage: corvanta_app_icon <hicolor folder> <icon name>
// Writes <hicolor>/scalable/apps/<name>.svg and <hicolor>/<n>x<n>/apps/<name>.png.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <cstdio>

namespace {

// In units of a 256 × 256 canvas.
constexpr double kCanvas = 256;
const QRectF kTile(16, 16, 224, 224);
constexpr double kTileRadius = 52;
const QColor kTileTop(0x4a, 0x86, 0xf7);
const QColor kTileBottom(0x1f, 0x4f, 0xc6);
constexpr int kCellsPerRow = 3;
constexpr double kCell = 48;
constexpr double kGap = 16;
constexpr double kCellRadius = 13;
const QColor kCellColor(0xff, 0xff, 0xff);

QRectF cellRect(int row, int column)
{
    const double span = kCellsPerRow * kCell + (kCellsPerRow - 1) * kGap;
    const double origin = (kCanvas - span) / 2;
    return {origin + column * (kCell + kGap), origin + row * (kCell + kGap), kCell, kCell};
}

QString number(double value) { return QString::number(value, 'g', 6); }

QByteArray svg()
{
    QString out = QStringLiteral(
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
                      "  <defs>\n"
                      "    <linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
                      "      <stop offset=\"0\" stop-color=\"%1\"/>\n"
                      "      <stop offset=\"1\" stop-color=\"%2\"/>\n"
                      "    </linearGradient>\n"
                      "  </defs>\n")
                      .arg(kTileTop.name(), kTileBottom.name());
    out += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"url(#tile)\"/>\n")
               .arg(number(kTile.x()), number(kTile.y()), number(kTile.width()), number(kTile.height()), number(kTileRadius));
    for (int row = 0; row < kCellsPerRow; ++row) {
        for (int column = 0; column < kCellsPerRow; ++column) {
            const QRectF r = cellRect(row, column);
            out += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                       .arg(number(r.x()), number(r.y()), number(r.width()), number(r.height()), number(kCellRadius), kCellColor.name());
        }
    }
    out += QStringLiteral("</svg>\n");
    return out.toUtf8();
}

QImage png(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.scale(size / kCanvas, size / kCanvas);
    QLinearGradient gradient(kTile.topLeft(), kTile.bottomLeft());
    gradient.setColorAt(0, kTileTop);
    gradient.setColorAt(1, kTileBottom);
    painter.setBrush(gradient);
    painter.drawRoundedRect(kTile, kTileRadius, kTileRadius);
    painter.setBrush(kCellColor);
    for (int row = 0; row < kCellsPerRow; ++row)
        for (int column = 0; column < kCellsPerRow; ++column)
            painter.drawRoundedRect(cellRect(row, column), kCellRadius, kCellRadius);
    painter.end();
    return image;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <hicolor folder> <icon name>\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    if (!writeFile(root + QStringLiteral("/scalable/apps/") + name + QStringLiteral(".svg"), svg())) {
        std::fprintf(stderr, "cannot write the scalable icon\n");
        return 1;
    }
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = root + QStringLiteral("/%1x%1/apps").arg(size);
        if (!QDir().mkpath(folder) || !png(size).save(folder + QLatin1Char('/') + name + QStringLiteral(".png"), "PNG")) {
            std::fprintf(stderr, "cannot write the %dx%d icon\n", size, size);
            return 1;
        }
    }
    return 0;
}
