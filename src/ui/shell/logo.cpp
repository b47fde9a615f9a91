#include "ui/shell/logo.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

QPixmap talvekLogo(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 6.0, size / 6.0);
    p.fillPath(frame, QColor(0x1f, 0x4e, 0x8c));
    p.setPen(QPen(QColor(0xf2, 0xb1, 0x34), size / 16.0));
    p.drawLine(QPointF(size * 0.2, size * 0.78), QPointF(size * 0.8, size * 0.78));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(int(size * 0.6));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, -size * 0.06, size, size), Qt::AlignCenter, QStringLiteral("T"));
    return pixmap;
}
