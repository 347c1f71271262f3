#include "ui/logo.h"

#include <QPainter>
#include <QPainterPath>

QPixmap WayfoldLogo(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // Three panels of a map folded like a leaflet, each leaning the other way.
    const QColor light(0xe8, 0xf1, 0xd8);
    const QColor dark(0xc9, 0xdc, 0xb0);
    const QPointF top[] = {{6, 14}, {24, 8}, {40, 14}, {58, 8}};
    const QPointF bottom[] = {{6, 58}, {24, 52}, {40, 58}, {58, 52}};
    p.setPen(QPen(QColor(0x5b, 0x6e, 0x45), 1.5));
    for (int i = 0; i < 3; ++i) {
        const QPointF panel[] = {top[i], top[i + 1], bottom[i + 1], bottom[i]};
        p.setBrush(i % 2 == 0 ? light : dark);
        p.drawPolygon(panel, 4);
    }

    // A dashed route across the folds.
    QPainterPath route(QPointF(11, 50));
    route.cubicTo(QPointF(20, 38), QPointF(30, 50), QPointF(37, 38));
    route.cubicTo(QPointF(41, 31), QPointF(46, 32), QPointF(47, 30));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2f, 0x6f, 0xb5), 2.2, Qt::DashLine, Qt::RoundCap));
    p.drawPath(route);

    // The waypoint pin at the route's end.
    QPainterPath pin(QPointF(47, 30));
    pin.cubicTo(QPointF(44, 24), QPointF(39, 20), QPointF(39, 14));
    pin.arcTo(QRectF(39, 6, 16, 16), 180, -180);
    pin.cubicTo(QPointF(55, 20), QPointF(50, 24), QPointF(47, 30));
    p.setPen(QPen(QColor(0x8a, 0x1c, 0x1c), 1.2));
    p.setBrush(QColor(0xd9, 0x3b, 0x30));
    p.drawPath(pin);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(47, 14), 3.2, 3.2);
    return pixmap;
}
