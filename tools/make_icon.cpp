// Draws Tessaly's icon: a butterfly over a map grid on a rounded tile.
//
//   make_icon <resources folder> <packaging folder>
//
// writes tessaly.png (256 px) and tessaly-48.png into the resources folder and
// tessaly.ico (256, 48, 32 and 16 px, each stored as PNG) into the packaging
// folder. `cmake --build <build> --target icon` runs it on the source tree; the
// outputs are checked in, so a normal build never needs it.

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>
#include <QtEndian>
#include <cstdio>
#include <vector>

namespace {

// One wing on the right side, in a 256 × 256 frame whose body axis is x = 128.
QPainterPath UpperWing() {
  QPainterPath path(QPointF(132, 112));
  path.cubicTo(QPointF(150, 52), QPointF(214, 30), QPointF(222, 62));
  path.cubicTo(QPointF(230, 96), QPointF(196, 128), QPointF(134, 130));
  path.closeSubpath();
  return path;
}

QPainterPath LowerWing() {
  QPainterPath path(QPointF(134, 134));
  path.cubicTo(QPointF(190, 132), QPointF(214, 168), QPointF(196, 196));
  path.cubicTo(QPointF(178, 222), QPointF(144, 196), QPointF(132, 150));
  path.closeSubpath();
  return path;
}

void DrawIcon(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);

  // The tile: deep teal, lighter towards the top.
  const QRectF tile(8, 8, 240, 240);
  QLinearGradient sea(tile.topLeft(), tile.bottomLeft());
  sea.setColorAt(0, QColor(0x2b, 0x6f, 0x7e));
  sea.setColorAt(1, QColor(0x14, 0x3c, 0x48));
  p.setPen(Qt::NoPen);
  p.setBrush(sea);
  p.drawRoundedRect(tile, 44, 44);

  // The map grid: four by four cells, clipped to the tile.
  p.save();
  QPainterPath clip;
  clip.addRoundedRect(tile, 44, 44);
  p.setClipPath(clip);
  p.setPen(QPen(QColor(255, 255, 255, 60), 4));
  for (int i = 1; i < 4; ++i) {
    const qreal at = 8 + 60.0 * i;
    p.drawLine(QPointF(at, 8), QPointF(at, 248));
    p.drawLine(QPointF(8, at), QPointF(248, at));
  }
  // Two cells filled in, as if marked on the map.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 38));
  p.drawRect(QRectF(8, 188, 60, 60));
  p.drawRect(QRectF(188, 8, 60, 60));
  p.restore();

  // The butterfly: warm wings, mirrored about the body.
  QRadialGradient gold(QPointF(128, 128), 110);
  gold.setColorAt(0, QColor(0xff, 0xd5, 0x6a));
  gold.setColorAt(1, QColor(0xf0, 0x7a, 0x1e));
  const QTransform mirror = QTransform().translate(256, 0).scale(-1, 1);
  p.setPen(QPen(QColor(0x3a, 0x1c, 0x0c), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(gold);
  for (const QPainterPath& wing : {UpperWing(), LowerWing()}) {
    p.drawPath(wing);
    p.drawPath(mirror.map(wing));
  }

  // Spots on the upper wings.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xff, 0xf4, 0xd6));
  p.drawEllipse(QPointF(194, 72), 10, 10);
  p.drawEllipse(QPointF(62, 72), 10, 10);

  // Body and antennae.
  p.setBrush(QColor(0x3a, 0x1c, 0x0c));
  p.drawRoundedRect(QRectF(120, 96, 16, 104), 8, 8);
  p.setPen(QPen(QColor(0x3a, 0x1c, 0x0c), 5, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  QPainterPath antenna(QPointF(124, 100));
  antenna.quadTo(QPointF(120, 56), QPointF(102, 30));
  p.drawPath(antenna);
  p.drawPath(mirror.map(antenna));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x3a, 0x1c, 0x0c));
  p.drawEllipse(QPointF(102, 30), 6, 6);
  p.drawEllipse(QPointF(154, 30), 6, 6);
}

QImage Render(int size) {
  // Drawn at 256 and scaled down smoothly, so small sizes keep the same shape.
  QImage big(256, 256, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::transparent);
  {
    QPainter painter(&big);
    DrawIcon(painter);
  }
  if (size == 256) return big;
  return big.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QByteArray Png(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// An ICO file whose images are PNG streams, which Windows reads since Vista.
QByteArray Ico(const std::vector<int>& sizes) {
  std::vector<QByteArray> images;
  for (int size : sizes) images.push_back(Png(Render(size)));

  QByteArray out;
  auto put16 = [&out](quint16 v) {
    v = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&v), 2);
  };
  auto put32 = [&out](quint32 v) {
    v = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&v), 4);
  };
  put16(0);  // reserved
  put16(1);  // type: icon
  put16(static_cast<quint16>(sizes.size()));
  quint32 offset = static_cast<quint32>(6 + 16 * sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const char side = static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);  // 0 means 256
    out.append(side);
    out.append(side);
    out.append('\0');  // no palette
    out.append('\0');  // reserved
    put16(1);          // colour planes
    put16(32);         // bits per pixel
    put32(static_cast<quint32>(images[i].size()));
    put32(offset);
    offset += static_cast<quint32>(images[i].size());
  }
  for (const QByteArray& image : images) out.append(image);
  return out;
}

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icon <resources folder> <packaging folder>\n");
    return 2;
  }
  const QDir resources(QString::fromLocal8Bit(argv[1]));
  const QDir packaging(QString::fromLocal8Bit(argv[2]));
  const bool ok = Write(resources.filePath("tessaly.png"), Png(Render(256))) &&
                  Write(resources.filePath("tessaly-48.png"), Png(Render(48))) &&
                  Write(packaging.filePath("tessaly.ico"), Ico({256, 48, 32, 16}));
  return ok ? 0 : 1;
}
