#include "app/ButtonIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace
{

constexpr int kSize = 32;
const QColor kInk(40, 40, 48);
const QColor kRoof(178, 34, 34);
const QColor kWall(245, 222, 179);
const QColor kBlue(30, 90, 200);
const QColor kGreen(30, 150, 60);

void DrawHouse(QPainter& p, const QRectF& r)
{
    const double w = r.width();
    const double h = r.height();
    QPainterPath roof;
    roof.moveTo(r.left(), r.top() + h * 0.45);
    roof.lineTo(r.left() + w / 2, r.top());
    roof.lineTo(r.right(), r.top() + h * 0.45);
    roof.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kRoof);
    p.drawPath(roof);
    const QRectF body(r.left() + w * 0.15, r.top() + h * 0.45, w * 0.7, h * 0.55);
    p.setBrush(kWall);
    p.drawRect(body);
    p.setBrush(kInk);
    p.drawRect(QRectF(r.left() + w * 0.42, r.top() + h * 0.68, w * 0.16, h * 0.32));
}

// A cube from its front square and the offset of its back square.
void DrawBox(QPainter& p, const QRectF& front, const QRectF& back, const QColor& pen, bool dashedHidden)
{
    p.setBrush(Qt::NoBrush);
    QPen solid(pen, 1.6);
    p.setPen(solid);
    p.drawRect(front);
    QPen hidden = solid;
    if (dashedHidden)
        hidden.setStyle(Qt::DashLine);
    p.setPen(hidden);
    p.drawRect(back);
    p.setPen(solid);
    p.drawLine(front.topLeft(), back.topLeft());
    p.drawLine(front.topRight(), back.topRight());
    p.drawLine(front.bottomLeft(), back.bottomLeft());
    p.drawLine(front.bottomRight(), back.bottomRight());
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    QPolygonF head;
    head << to + u * 2.0 << to - u * 5.0 + n * 4.5 << to - u * 5.0 - n * 4.5;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

void PaintWindow(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 30, 60));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    // Two cameras with their fields of view meeting over a voxel block.
    p.setBrush(QColor(255, 200, 0, 110));
    QPolygonF left;
    left << QPointF(5, 6) << QPointF(14, 26) << QPointF(26, 20);
    p.drawPolygon(left);
    QPolygonF right;
    right << QPointF(27, 6) << QPointF(6, 22) << QPointF(18, 27);
    p.drawPolygon(right);
    p.setBrush(QColor(220, 40, 40));
    p.drawRect(QRectF(13, 18, 6, 6));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(5, 6), 3, 3);
    p.drawEllipse(QPointF(27, 6), 3, 3);
}

void PaintPerspective(QPainter& p)
{
    // The back face shrinks: lines converge towards a vanishing point.
    DrawBox(p, QRectF(3, 9, 20, 20), QRectF(17, 5, 10, 10), kBlue, true);
    p.setPen(QPen(QColor(150, 150, 150), 0.8, Qt::DotLine));
    p.drawLine(QPointF(23, 9), QPointF(30, 2));
}

void PaintOrthographic(QPainter& p)
{
    // Front and back faces the same size: parallel edges.
    DrawBox(p, QRectF(3, 11, 17, 17), QRectF(12, 3, 17, 17), kGreen, true);
}

void PaintSeeThrough(QPainter& p)
{
    // A cube of points: the volume drawn as dots.
    p.setPen(QPen(QColor(120, 120, 140), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(3, 9, 20, 20));
    p.drawRect(QRectF(9, 3, 20, 20));
    p.setPen(Qt::NoPen);
    const QColor dots[] = {QColor(148, 0, 211), QColor(30, 90, 200), QColor(30, 170, 60), QColor(255, 140, 0)};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            p.setBrush(dots[(i + j) % 4]);
            p.drawEllipse(QPointF(7 + i * 5.5, 11 + j * 5.5), 1.5, 1.5);
        }
    }
}

void PaintResetHome(QPainter& p)
{
    DrawHouse(p, QRectF(8, 9, 16, 16));
    // A circular arrow around the house: back to the start.
    p.setPen(QPen(kBlue, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2, 2, 28, 28), 100 * 16, 290 * 16);
    QPolygonF head;
    head << QPointF(13.5, 0.5) << QPointF(14, 7.5) << QPointF(8, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(head);
}

void PaintRender(QPainter& p)
{
    // A block of coloured voxels: compute and show the coverage.
    const QColor bands[] = {QColor(148, 0, 211), QColor(75, 0, 130),  QColor(30, 90, 200), QColor(30, 170, 60),
                            QColor(240, 220, 0), QColor(255, 140, 0), QColor(210, 30, 30)};
    p.setPen(QPen(QColor(30, 30, 30), 0.8));
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            p.setBrush(bands[(i + 2 * j) % 7]);
            p.drawRect(QRectF(3 + i * 8.5, 3 + j * 8.5, 8, 8));
        }
    }
}

void PaintLoadFile(QPainter& p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(240, 190, 70));
    QPainterPath folder;
    folder.moveTo(2, 10);
    folder.lineTo(11, 10);
    folder.lineTo(13, 13);
    folder.lineTo(30, 13);
    folder.lineTo(30, 29);
    folder.lineTo(2, 29);
    folder.closeSubpath();
    p.drawPath(folder);
    DrawArrow(p, QPointF(16, 25), QPointF(16, 4), kBlue);
}

void PaintSaveFile(QPainter& p)
{
    // A diskette.
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(40, 70, 150));
    QPainterPath disk;
    disk.moveTo(3, 3);
    disk.lineTo(25, 3);
    disk.lineTo(29, 7);
    disk.lineTo(29, 29);
    disk.lineTo(3, 29);
    disk.closeSubpath();
    p.drawPath(disk);
    p.setBrush(QColor(220, 220, 225));
    p.drawRect(QRectF(8, 3, 15, 9));
    p.setBrush(kInk);
    p.drawRect(QRectF(18, 4.5, 3, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 17, 18, 12));
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.drawLine(QPointF(9, 21), QPointF(23, 21));
    p.drawLine(QPointF(9, 25), QPointF(23, 25));
}

void PaintSetHome(QPainter& p)
{
    DrawHouse(p, QRectF(3, 8, 20, 22));
    // A map pin: this view becomes home.
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(kGreen);
    QPainterPath pin;
    pin.addEllipse(QPointF(25, 8), 5.5, 5.5);
    pin.moveTo(21, 11);
    pin.lineTo(25, 19);
    pin.lineTo(29, 11);
    p.drawPath(pin.simplified());
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(25, 8), 2, 2);
}

void PaintRoomOnOff(QPainter& p)
{
    // The room's wire box with an on/off switch.
    DrawBox(p, QRectF(2, 8, 19, 15), QRectF(9, 3, 19, 15), QColor(90, 60, 30), false);
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(QColor(220, 220, 220));
    p.drawRoundedRect(QRectF(14, 22, 16, 8), 4, 4);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(26, 26), 3.2, 3.2);
}

void PaintLegend(QPainter& p)
{
    // The colour legend: a ladder of the resolution bands with tick marks.
    const QColor bands[] = {QColor(148, 0, 211), QColor(75, 0, 130),  QColor(30, 90, 200), QColor(30, 170, 60),
                            QColor(240, 220, 0), QColor(255, 140, 0), QColor(210, 30, 30), QColor(128, 128, 128)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 8; ++i) {
        p.setBrush(bands[i]);
        p.drawRect(QRectF(4, 2 + i * 3.5, 10, 3.5));
    }
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(4, 2, 10, 28));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(17, 4 + i * 8.5), QPointF(28, 4 + i * 8.5));
}

void PaintHome(QPainter& p)
{
    DrawHouse(p, QRectF(3, 3, 26, 26));
}

} // namespace

QIcon MakeButtonIcon(ButtonIcon which)
{
    if (which == ButtonIcon::None)
        return {};
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case ButtonIcon::None:
        break;
    case ButtonIcon::Window:
        PaintWindow(p);
        break;
    case ButtonIcon::Home:
        PaintHome(p);
        break;
    case ButtonIcon::Perspective:
        PaintPerspective(p);
        break;
    case ButtonIcon::Orthographic:
        PaintOrthographic(p);
        break;
    case ButtonIcon::SeeThrough:
        PaintSeeThrough(p);
        break;
    case ButtonIcon::ResetHome:
        PaintResetHome(p);
        break;
    case ButtonIcon::Render:
        PaintRender(p);
        break;
    case ButtonIcon::LoadFile:
        PaintLoadFile(p);
        break;
    case ButtonIcon::SaveFile:
        PaintSaveFile(p);
        break;
    case ButtonIcon::SetHome:
        PaintSetHome(p);
        break;
    case ButtonIcon::RoomOnOff:
        PaintRoomOnOff(p);
        break;
    case ButtonIcon::Legend:
        PaintLegend(p);
        break;
    }
    p.end();
    return QIcon(pixmap);
}

QImage PaintWindowIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / static_cast<double>(kSize), size / static_cast<double>(kSize));
    PaintWindow(p);
    p.end();
    return image;
}
