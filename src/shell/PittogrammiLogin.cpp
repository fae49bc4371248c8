#include "shell/PittogrammiLogin.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velkora {

namespace {

// Each picture is drawn at 16 and 32 pixels, so that it stays sharp on a screen with a larger
// scale; the painter's unit is a sixteenth of the side.
template<typename Disegno>
QIcon disegna(Disegno disegno)
{
    QIcon icona;
    for (const int lato : {16, 32}) {
        QPixmap pixmap(lato, lato);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(lato / 16.0, lato / 16.0);
        disegno(p);
        p.end();
        icona.addPixmap(pixmap);
    }
    return icona;
}

} // namespace

QIcon pittogrammaOk()
{
    return disegna([](QPainter& p) {
        QPainterPath spunta;
        spunta.moveTo(2.5, 8.5);
        spunta.lineTo(6.5, 12.5);
        spunta.lineTo(13.5, 3.5);
        p.setPen(QPen(QColor(0x1e, 0x8c, 0x2d), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(spunta);
    });
}

QIcon pittogrammaDisco()
{
    return disegna([](QPainter& p) {
        p.setPen(QPen(QColor(0x55, 0x5a, 0x60), 1));
        p.setBrush(QColor(0xd4, 0xd7, 0xdb));
        p.drawRoundedRect(QRectF(1.5, 4.5, 13, 7), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x8a, 0x90, 0x96));
        p.drawRect(QRectF(3, 8.5, 7, 1.5));
        p.setBrush(QColor(0x2e, 0xb8, 0x3c));
        p.drawEllipse(QPointF(12, 9.25), 1.1, 1.1);
    });
}

} // namespace velkora
