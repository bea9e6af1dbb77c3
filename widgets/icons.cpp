#include "widgets/icons.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace telvaro::icons {
namespace {

// Every picture is drawn on a 32 x 32 grid and scaled to the pixmap size;
// `px` tells the drawing the real size so it can leave out details that would
// only blur at 16 px.
using Drawing = void (*)(QPainter& p, int px);

constexpr std::array kPixelSizes{16, 24, 32, 48, 64};
constexpr qreal kGrid = 32.0;

// One palette for the whole set.
const QColor kSlate{0x45, 0x5a, 0x64};
const QColor kSlateDark{0x37, 0x47, 0x4f};
const QColor kSteel{0x90, 0xa4, 0xae};
const QColor kSilver{0xcf, 0xd8, 0xdc};
const QColor kBlue{0x1e, 0x88, 0xe5};
const QColor kGreen{0x43, 0xa0, 0x47};
const QColor kLedGreen{0x76, 0xff, 0x03};
const QColor kLedAmber{0xff, 0xca, 0x28};
const QColor kOrange{0xf5, 0x7c, 0x00};
const QColor kPurple{0x5e, 0x35, 0xb1};
const QColor kTeal{0x00, 0x89, 0x7b};
const QColor kRed{0xe5, 0x39, 0x35};

bool Small(int px) { return px < 20; }

QPen RoundPen(const QColor& color, qreal width) {
  return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Punches a transparent margin around a shape so it stands off whatever lies
// beneath it, the usual flat-icon cut-out.
void CutOut(QPainter& p, const QPainterPath& shape, qreal margin) {
  p.save();
  p.setCompositionMode(QPainter::CompositionMode_Clear);
  p.setPen(RoundPen(Qt::transparent, 2 * margin));
  p.setBrush(Qt::black);
  p.drawPath(shape);
  p.restore();
}

// A straight arrow as one filled outline: a shaft `shaft` wide, a head `head`
// long and `headWidth` wide.
QPainterPath Arrow(QPointF from, QPointF to, qreal shaft, qreal head, qreal headWidth) {
  const QPointF d = to - from;
  const qreal len = std::hypot(d.x(), d.y());
  const QPointF u = d / len;
  const QPointF n(-u.y(), u.x());
  const QPointF neck = to - u * head;
  QPainterPath path;
  path.moveTo(from + n * (shaft / 2));
  path.lineTo(neck + n * (shaft / 2));
  path.lineTo(neck + n * (headWidth / 2));
  path.lineTo(to);
  path.lineTo(neck - n * (headWidth / 2));
  path.lineTo(neck - n * (shaft / 2));
  path.lineTo(from - n * (shaft / 2));
  path.closeSubpath();
  return path;
}

QPointF OnCircle(QPointF centre, qreal radius, qreal degrees) {
  const qreal a = degrees * std::numbers::pi / 180.0;
  return centre + QPointF(radius * std::cos(a), -radius * std::sin(a));
}

// An arc from `startDeg` sweeping `sweepDeg` (counter-clockwise positive, as
// QPainterPath counts) with an arrow head that sits on the arc's end and
// points along the direction of travel.
void ArcArrow(QPainter& p, const QColor& color, QPointF centre, qreal radius, qreal startDeg, qreal sweepDeg,
              qreal width, qreal head) {
  const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  QPainterPath arc;
  arc.arcMoveTo(box, startDeg);
  arc.arcTo(box, startDeg, sweepDeg);
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(arc);

  const qreal endRad = (startDeg + sweepDeg) * std::numbers::pi / 180.0;
  const QPointF base = OnCircle(centre, radius, startDeg + sweepDeg);
  const QPointF outward(std::cos(endRad), -std::sin(endRad));
  const qreal turn = sweepDeg > 0 ? 1.0 : -1.0;
  const QPointF along(-std::sin(endRad) * turn, -std::cos(endRad) * turn);
  const qreal half = width * 1.2;
  QPainterPath tri;
  tri.moveTo(base + along * head);
  tri.lineTo(base + outward * half);
  tri.lineTo(base - outward * half);
  tri.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPath(tri);
}

// A light rim around the dark parts keeps them visible on a dark palette; on
// a light one it reads as the edge of the case.
QPen Rim() { return QPen(kSteel, 1.2); }

// The modem as it appears inside the command pictures: a dark box with a
// stub antenna and two status lights.
void DrawDeviceBox(QPainter& p, const QRectF& box, int px) {
  p.setPen(RoundPen(kSteel, 2.5));
  p.drawLine(QPointF(box.right() - 3.5, box.top()), QPointF(box.right() - 3.5, box.top() - 4));
  p.setPen(Rim());
  p.setBrush(kSlate);
  p.drawRoundedRect(box, 2.5, 2.5);
  p.setPen(Qt::NoPen);
  if (!Small(px)) {
    p.setBrush(kLedGreen);
    p.drawEllipse(QPointF(box.left() + 3.5, box.bottom() - 3.5), 1.5, 1.5);
    p.setBrush(kLedAmber);
    p.drawEllipse(QPointF(box.left() + 7.5, box.bottom() - 3.5), 1.5, 1.5);
  }
}

void DrawApplication(QPainter& p, int px) {
  const QPointF tip(22, 8);
  // Radio waves around the antenna tip.
  p.setPen(RoundPen(kBlue, 2.2));
  p.setBrush(Qt::NoBrush);
  const qreal r1 = 4.4;
  p.drawArc(QRectF(tip.x() - r1, tip.y() - r1, 2 * r1, 2 * r1), -40 * 16, 80 * 16);
  p.drawArc(QRectF(tip.x() - r1, tip.y() - r1, 2 * r1, 2 * r1), 140 * 16, 80 * 16);
  if (!Small(px)) {
    const qreal r2 = 7.8;
    p.drawArc(QRectF(tip.x() - r2, tip.y() - r2, 2 * r2, 2 * r2), -35 * 16, 70 * 16);
    p.drawArc(QRectF(tip.x() - r2, tip.y() - r2, 2 * r2, 2 * r2), 145 * 16, 70 * 16);
  }
  // Antenna mast and tip.
  p.setPen(RoundPen(kSteel, 2.6));
  p.drawLine(QPointF(22, 16), tip);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawEllipse(tip, 2.2, 2.2);
  // Body with a lighter front panel and status lights.
  p.setPen(Rim());
  p.setBrush(kSlateDark);
  p.drawRoundedRect(QRectF(2, 15, 28, 14), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(kSlate);
  p.drawRoundedRect(QRectF(4, 17, 24, 10), 1.8, 1.8);
  p.setBrush(kLedGreen);
  p.drawEllipse(QPointF(8.5, 22), 2, 2);
  p.setBrush(kLedAmber);
  p.drawEllipse(QPointF(14.5, 22), 2, 2);
  if (!Small(px)) {
    p.setPen(RoundPen(kSteel, 1.4));
    for (qreal x : {20.0, 23.0, 26.0}) p.drawLine(QPointF(x, 19.5), QPointF(x, 24.5));
  }
}

// The antenna beside the signal bars: a mast sending waves both ways.
void DrawAntenna(QPainter& p, int px) {
  const QPointF tip(16, 9);
  p.setPen(RoundPen(kBlue, 2.4));
  p.setBrush(Qt::NoBrush);
  const std::array<qreal, 2> radii{Small(px) ? 6.0 : 5.5, 10.0};
  for (std::size_t i = 0; i < (Small(px) ? 1u : 2u); ++i) {
    const qreal r = radii[i];
    const QRectF box(tip.x() - r, tip.y() - r, 2 * r, 2 * r);
    p.drawArc(box, -40 * 16, 80 * 16);
    p.drawArc(box, 140 * 16, 80 * 16);
  }
  p.setPen(RoundPen(kSteel, 3));
  p.drawLine(QPointF(16, 29), tip);
  p.drawLine(QPointF(11, 29), QPointF(21, 29));
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawEllipse(tip, 2.6, 2.6);
}

// Plug on the left, socket on the right; together when connected.
void DrawPort(QPainter& p, bool open, int px) {
  const QColor body = open ? kGreen : kSteel;
  const QColor cable = open ? QColor(0x2e, 0x7d, 0x32) : QColor(0x78, 0x90, 0x9c);
  const qreal plugRight = open ? 15 : 12;
  const qreal socketLeft = open ? 17 : 20;

  p.setPen(RoundPen(cable, 3));
  p.drawLine(QPointF(1.5, 16), QPointF(plugRight - 6, 16));
  p.drawLine(QPointF(socketLeft + 6, 16), QPointF(30.5, 16));
  p.setPen(Qt::NoPen);
  // Prongs.
  p.setBrush(open ? body.darker(130) : kSlate);
  p.drawRect(QRectF(plugRight - 1, 11.5, open ? 3 : 5, 2.6));
  p.drawRect(QRectF(plugRight - 1, 17.9, open ? 3 : 5, 2.6));
  // Plug and socket bodies.
  p.setBrush(body);
  p.drawRoundedRect(QRectF(plugRight - 8, 8, 8, 16), 2, 2);
  p.drawRoundedRect(QRectF(socketLeft, 7, 8, 18), 2, 2);
  if (!open && !Small(px)) {
    // Slots of the empty socket.
    p.setBrush(kSlate);
    p.drawRect(QRectF(socketLeft + 1.5, 11.5, 2.5, 2.6));
    p.drawRect(QRectF(socketLeft + 1.5, 17.9, 2.5, 2.6));
  }
}

void DrawSwitch(QPainter& p, bool open, int px) {
  const QRectF track(1.5, 8.5, 29, 15);
  p.setPen(Qt::NoPen);
  p.setBrush(open ? kGreen : kSteel);
  p.drawRoundedRect(track, 7.5, 7.5);
  if (!Small(px)) {
    // "I" on the lit side, "O" on the dark side.
    p.setPen(RoundPen(Qt::white, 1.8));
    if (open) {
      p.drawLine(QPointF(9, 12.8), QPointF(9, 19.2));
    } else {
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(23, 16), 3, 3);
    }
  }
  const QPointF knob(open ? 23 : 9, 16);
  p.setPen(QPen(open ? QColor(0x2e, 0x7d, 0x32) : QColor(0x78, 0x90, 0x9c), 1.2));
  p.setBrush(Qt::white);
  p.drawEllipse(knob, 6.2, 6.2);
}

// Read: the arrow leaves the device. Write: the arrow goes into it.
void DrawTransfer(QPainter& p, bool intoDevice, int px) {
  const QRectF box(18, 8, 12, 19);
  DrawDeviceBox(p, box, px);
  const QPainterPath arrow = intoDevice ? Arrow(QPointF(2, 17), QPointF(24, 17), 4.4, 8.5, 13)
                                        : Arrow(QPointF(24, 17), QPointF(1.5, 17), 4.4, 8.5, 13);
  CutOut(p, arrow, 1.6);
  p.setPen(Qt::NoPen);
  p.setBrush(intoDevice ? kGreen : kBlue);
  p.drawPath(arrow);
}

void DrawRead(QPainter& p, int px) { DrawTransfer(p, false, px); }
void DrawWrite(QPainter& p, int px) { DrawTransfer(p, true, px); }

// Default: a factory with saw-tooth roof and chimney.
void DrawDefault(QPainter& p, int px) {
  QPainterPath factory;
  factory.moveTo(2, 29);
  factory.lineTo(2, 13);
  factory.lineTo(9, 18);
  factory.lineTo(9, 13);
  factory.lineTo(16, 18);
  factory.lineTo(16, 13);
  factory.lineTo(23, 18);
  factory.lineTo(23, 4);
  factory.lineTo(29, 4);
  factory.lineTo(29, 29);
  factory.closeSubpath();
  p.setPen(RoundPen(kOrange, 1.2));
  p.setBrush(kOrange);
  p.drawPath(factory);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  const qreal w = Small(px) ? 4 : 3.2;
  for (qreal x : {5.0, 12.0, 19.0}) p.drawRect(QRectF(x, 21.5, w, w));
}

// Upgrade: a chip with an upward arrow on it.
void DrawUpgrade(QPainter& p, int px) {
  p.setPen(Qt::NoPen);
  p.setBrush(kSteel.darker(115));
  const int pins = Small(px) ? 2 : 3;
  for (int i = 0; i < pins; ++i) {
    const qreal c = pins == 3 ? 11 + i * 5.0 : 12.5 + i * 7.0;
    p.drawRect(QRectF(c - 1.2, 2.5, 2.4, 5));    // top
    p.drawRect(QRectF(c - 1.2, 24.5, 2.4, 5));   // bottom
    p.drawRect(QRectF(2.5, c - 1.2, 5, 2.4));    // left
    p.drawRect(QRectF(24.5, c - 1.2, 5, 2.4));   // right
  }
  p.setBrush(kPurple);
  p.drawRoundedRect(QRectF(6, 6, 20, 20), 3, 3);
  p.setBrush(Qt::white);
  p.drawPath(Arrow(QPointF(16, 22.5), QPointF(16, 9), 4, 6.5, 11));
}

void DrawReboot(QPainter& p, int /*px*/) {
  ArcArrow(p, kTeal, QPointF(16, 16.5), 10.5, 75, -275, 4.2, 6.5);
}

// Exit: the power symbol.
void DrawExit(QPainter& p, int /*px*/) {
  const QPointF c(16, 17.5);
  const qreal r = 10.5;
  p.setPen(RoundPen(kRed, 4.2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 125 * 16, 290 * 16);
  p.drawLine(QPointF(16, 3.5), QPointF(16, 15));
}

template <int Bars>
void DrawSignal(QPainter& p, int /*px*/) {
  p.setPen(Qt::NoPen);
  const std::array<qreal, 3> heights{9, 16, 24};
  for (int i = 0; i < 3; ++i) {
    p.setBrush(i < Bars ? kGreen : kSilver);
    p.drawRoundedRect(QRectF(3 + i * 9.5, 28.5 - heights[i], 7, heights[i]), 1.5, 1.5);
  }
}

// Desaturated and lightened, so the picture reads as "not available now"
// while keeping its shape.
QImage Grayed(QImage img) {
  img = img.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = line[x];
      const int gray = qGray(c);
      const int light = 255 - (255 - gray) * 45 / 100;
      line[x] = qRgba(light, light, light, qAlpha(c) * 85 / 100);
    }
  }
  return img;
}

QPixmap Paint(Drawing draw, int px, bool grayed) {
  QImage img(px, px, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(px / kGrid, px / kGrid);
    draw(p, px);
  }
  return QPixmap::fromImage(grayed ? Grayed(img) : img);
}

QIcon Build(Drawing draw, bool grayed = false) {
  QIcon icon;
  for (int px : kPixelSizes) icon.addPixmap(Paint(draw, px, grayed));
  return icon;
}

// Lazily built, cached icon; `slot` is one of a function's statics.
QIcon& Cached(QIcon& slot, Drawing draw, bool grayed = false) {
  if (slot.isNull()) slot = Build(draw, grayed);
  return slot;
}

void DrawPortOpen(QPainter& p, int px) { DrawPort(p, true, px); }
void DrawPortClosed(QPainter& p, int px) { DrawPort(p, false, px); }
void DrawSwitchOpen(QPainter& p, int px) { DrawSwitch(p, true, px); }
void DrawSwitchClosed(QPainter& p, int px) { DrawSwitch(p, false, px); }

Drawing CommandDrawing(Command c) {
  switch (c) {
    case Command::Read: return DrawRead;
    case Command::Write: return DrawWrite;
    case Command::Default: return DrawDefault;
    case Command::Upgrade: return DrawUpgrade;
    case Command::Reboot: return DrawReboot;
    case Command::Exit: return DrawExit;
  }
  return DrawExit;
}

}  // namespace

QIcon Application() {
  static QIcon icon;
  return Cached(icon, DrawApplication);
}

void PaintApplication(QPainter& painter, int px) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(px / kGrid, px / kGrid);
  DrawApplication(painter, px);
  painter.restore();
}

QIcon PortState(bool open) {
  static std::array<QIcon, 2> icons;
  return open ? Cached(icons[1], DrawPortOpen) : Cached(icons[0], DrawPortClosed);
}

QIcon Switch(bool open) {
  static std::array<QIcon, 2> icons;
  return open ? Cached(icons[1], DrawSwitchOpen) : Cached(icons[0], DrawSwitchClosed);
}

QIcon CommandIcon(Command c, bool grayed) {
  static std::array<std::array<QIcon, 2>, 6> icons;
  return Cached(icons[static_cast<std::size_t>(c)][grayed ? 1 : 0], CommandDrawing(c), grayed);
}

QIcon Antenna() {
  static QIcon icon;
  return Cached(icon, DrawAntenna);
}

QIcon SignalLevel(int bars) {
  static std::array<QIcon, 4> icons;
  static constexpr std::array<Drawing, 4> drawings{DrawSignal<0>, DrawSignal<1>, DrawSignal<2>, DrawSignal<3>};
  const auto i = static_cast<std::size_t>(std::clamp(bars, 0, 3));
  return Cached(icons[i], drawings[i]);
}

}  // namespace telvaro::icons
