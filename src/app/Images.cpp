#include "app/Images.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>

namespace varnett::images {

namespace {

// A small drawn pictogram for menus and lists.
QIcon drawn(const QColor& fill, const QColor& line, int shape, int size = 16)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(line, size / 16.0));
    painter.setBrush(fill);
    const double s = size / 16.0;
    switch (shape) {
    case 0: // build: a page with lines
        painter.drawRect(QRectF(3 * s, 1 * s, 10 * s, 14 * s));
        for (int y = 4; y <= 12; y += 3)
            painter.drawLine(QPointF(5 * s, y * s), QPointF(11 * s, y * s));
        break;
    case 1: // create: a database cylinder with a plus
        painter.drawRoundedRect(QRectF(2 * s, 2 * s, 10 * s, 12 * s), 4 * s, 3 * s);
        painter.setPen(QPen(Qt::darkGreen, 2 * s));
        painter.drawLine(QPointF(11 * s, 11 * s), QPointF(15 * s, 11 * s));
        painter.drawLine(QPointF(13 * s, 9 * s), QPointF(13 * s, 13 * s));
        break;
    case 2: // table: a grid
        painter.drawRect(QRectF(1 * s, 2 * s, 14 * s, 12 * s));
        painter.drawLine(QPointF(1 * s, 6 * s), QPointF(15 * s, 6 * s));
        painter.drawLine(QPointF(1 * s, 10 * s), QPointF(15 * s, 10 * s));
        painter.drawLine(QPointF(6 * s, 2 * s), QPointF(6 * s, 14 * s));
        break;
    case 4: // view: a grid seen through a lens
        painter.drawRect(QRectF(1 * s, 2 * s, 14 * s, 12 * s));
        painter.drawLine(QPointF(1 * s, 6 * s), QPointF(15 * s, 6 * s));
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(9 * s, 10 * s), 3.5 * s, 3.5 * s);
        painter.drawLine(QPointF(3 * s, 14 * s), QPointF(6.5 * s, 12.5 * s));
        break;
    case 5: // key field: a key
        painter.drawEllipse(QRectF(1 * s, 4 * s, 7 * s, 7 * s));
        painter.drawRect(QRectF(8 * s, 6.5 * s, 7 * s, 2 * s));
        painter.drawRect(QRectF(11 * s, 8.5 * s, 1.5 * s, 2.5 * s));
        painter.drawRect(QRectF(13.5 * s, 8.5 * s, 1.5 * s, 2.5 * s));
        break;
    default: // field: one cell
        painter.drawRect(QRectF(2 * s, 5 * s, 12 * s, 6 * s));
        break;
    }
    return QIcon(pixmap);
}

} // namespace

QIcon menuImage(int index)
{
    return index == 0 ? drawn(QColor(255, 255, 240), Qt::darkBlue, 0)
                      : drawn(QColor(200, 220, 255), Qt::darkBlue, 1);
}

QIcon listImage(int index)
{
    switch (index) {
    case 0:
        return drawn(QColor(255, 250, 220), QColor(120, 90, 0), 2);
    case 2:
        return drawn(QColor(225, 235, 255), QColor(40, 70, 150), 4);
    case 3:
        return drawn(QColor(255, 215, 0), QColor(130, 90, 0), 5);
    default:
        return drawn(QColor(220, 240, 220), Qt::darkGreen, 3);
    }
}

QIcon programIcon()
{
    // The installed icon: its PNG renderings where the build made them, the
    // SVG itself otherwise.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString file = QStringLiteral(":/icons/%1x%1.png").arg(size);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    if (icon.isNull())
        icon.addFile(QStringLiteral(":/icons/varnett.svg"));
    return icon;
}

} // namespace varnett::images
