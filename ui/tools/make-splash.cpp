// Draws the splash picture, ui/splash.png: 288 x 216 pixels, 24-bit colour.
// Run it once after changing the design and commit the picture:
//   cmake --build build --target vornel-make-splash
//   QT_QPA_PLATFORM=offscreen build/bin/vornel-make-splash ui/splash.png

#include <cstdio>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kWidth = 288;
constexpr int kHeight = 216;
// The window shows 286 columns; nothing that matters sits in the last two.
constexpr int kShownWidth = 286;

void drawBackground(QPainter& p) {
  QLinearGradient sky(0, 0, 0, kHeight);
  sky.setColorAt(0.0, QColor(0x10, 0x2a, 0x43));
  sky.setColorAt(1.0, QColor(0x1d, 0x5c, 0x63));
  p.fillRect(0, 0, kWidth, kHeight, sky);
  // Faint script lines across the back, like a listing seen through glass.
  p.setPen(QPen(QColor(255, 255, 255, 18), 2));
  for (int y = 18; y < kHeight; y += 14) {
    const int length = 60 + (y * 37) % 150;
    p.drawLine(150, y, 150 + length, y);
  }
}

void drawCamera(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF body(26, 46, 104, 70);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xe8, 0xee, 0xf2));
  p.drawRoundedRect(QRectF(44, 36, 34, 16), 4, 4);  // viewfinder hump
  p.drawRoundedRect(body, 10, 10);
  p.setBrush(QColor(0x25, 0x37, 0x4a));
  p.drawEllipse(body.center() + QPointF(4, 2), 27, 27);
  p.setBrush(QColor(0x3f, 0xa7, 0xb5));
  p.drawEllipse(body.center() + QPointF(4, 2), 17, 17);
  p.setBrush(QColor(255, 255, 255, 170));
  p.drawEllipse(body.center() + QPointF(-3, -6), 5, 5);
  p.setBrush(QColor(0xf2, 0xa6, 0x3b));
  p.drawEllipse(QPointF(116, 58), 5, 5);  // the tally light
}

void drawCheckMark(QPainter& p) {
  p.setBrush(QColor(0xf2, 0xa6, 0x3b));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(128, 112), 18, 18);
  QPainterPath tick;
  tick.moveTo(119, 112);
  tick.lineTo(126, 119);
  tick.lineTo(138, 104);
  p.setPen(QPen(QColor(0x10, 0x2a, 0x43), 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(tick);
}

void drawTexts(QPainter& p) {
  QFont name(QStringLiteral("DejaVu Sans"));
  name.setPixelSize(25);
  name.setBold(true);
  p.setFont(name);
  p.setPen(QColor(0xf4, 0xf7, 0xf9));
  p.drawText(QRect(0, 138, kShownWidth, 30), Qt::AlignHCenter, QStringLiteral("Vornel Script"));
  p.setPen(QColor(0xf2, 0xa6, 0x3b));
  p.drawText(QRect(0, 163, kShownWidth, 30), Qt::AlignHCenter, QStringLiteral("Checker"));

  QFont small(QStringLiteral("DejaVu Sans"));
  small.setPixelSize(11);
  p.setFont(small);
  p.setPen(QColor(0xb8, 0xcf, 0xd6));
  p.drawText(QRect(150, 58, kShownWidth - 158, 16), Qt::AlignLeft, QStringLiteral("Version 1.0"));
  p.drawText(QRect(150, 76, kShownWidth - 158, 32), Qt::AlignLeft | Qt::TextWordWrap,
             QStringLiteral("Camera script alerts"));
  p.drawText(QRect(0, 196, kShownWidth, 16), Qt::AlignHCenter, QStringLiteral("Click to continue"));
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: vornel-make-splash OUTPUT.png\n");
    return 2;
  }
  QImage picture(kWidth, kHeight, QImage::Format_RGB888);
  QPainter p(&picture);
  drawBackground(p);
  drawCamera(p);
  drawCheckMark(p);
  drawTexts(p);
  p.end();
  // 2834 pixels per metre, 72 dpi, as the picture has always been stored.
  picture.setDotsPerMeterX(2834);
  picture.setDotsPerMeterY(2834);
  return picture.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
