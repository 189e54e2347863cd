#include "app/workspace/WorkspaceIcons.h"

#include <QPainter>
#include <QPixmap>

#include <array>

namespace
{

constexpr int kSize = 32;
const QColor kInk(40, 40, 48);
const QColor kFloor(245, 222, 179);
const QColor kCamera(30, 90, 200);

void DrawCamera(QPainter& p, QPointF at)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kCamera);
    p.drawEllipse(at, 2.6, 2.6);
}

// The room seen along one axis: a floor plan with a camera in each corner,
// or an elevation with the floor drawn heavy and cameras under the ceiling.
void DrawRoom(QPainter& p, const QRectF& room, bool plan)
{
    p.setPen(QPen(kInk, 1.6));
    p.setBrush(kFloor);
    p.drawRect(room);
    if (plan) {
        for (const QPointF& corner : {room.topLeft(), room.topRight(), room.bottomLeft(), room.bottomRight()})
            DrawCamera(p, corner);
        return;
    }
    p.setPen(QPen(kInk, 3.0));
    p.drawLine(room.bottomLeft(), room.bottomRight());
    DrawCamera(p, room.topLeft());
    DrawCamera(p, room.topRight());
}

void DrawBrackets(QPainter& p)
{
    p.setPen(QPen(kInk, 2.0));
    constexpr double a = 3.0, b = 10.0, c = kSize - 3.0, d = kSize - 10.0;
    for (const auto& [x, y, dx, dy] : {std::array<double, 4>{a, a, b, a}, {c, a, d, a}, {a, c, b, c}, {c, c, d, c}}) {
        p.drawLine(QPointF(x, y), QPointF(dx, dy));
        p.drawLine(QPointF(x, y), QPointF(x, y + (y < kSize / 2.0 ? 7.0 : -7.0)));
    }
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(kFloor);
    p.drawRect(QRectF(11.0, 12.0, 10.0, 8.0));
}

} // namespace

QIcon MakeWorkspaceIcon(WorkspaceIcon which)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case WorkspaceIcon::Top:
        DrawRoom(p, QRectF(5.0, 7.0, 22.0, 18.0), true);
        break;
    case WorkspaceIcon::Front:
        DrawRoom(p, QRectF(3.0, 10.0, 26.0, 14.0), false);
        break;
    case WorkspaceIcon::Side:
        DrawRoom(p, QRectF(8.0, 10.0, 16.0, 14.0), false);
        break;
    case WorkspaceIcon::Fit:
        DrawBrackets(p);
        break;
    }
    p.end();
    return QIcon(pixmap);
}
