#include "connection/views/PageTab.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "resources/views/QtSkin.h"

namespace dedevev {

void PaintPageTab(QPainter& painter, const QString& title) {
    QFont font = LocalFont("Normal");
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(DialogFrameColor());
    const QString shown =
        QFontMetrics(font).elidedText(title, Qt::ElideRight, kPageTabRect.width() - 8);
    painter.drawText(kPageTabRect, Qt::AlignCenter | Qt::TextSingleLine, shown);
}

void PaintPageCard(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.fillPath(path, Qt::white);
    QColor line = DialogFrameColor();
    line.setAlpha(60);
    painter.setPen(QPen(line, 1));
    painter.drawPath(path);
    painter.restore();
}

}  // namespace dedevev
