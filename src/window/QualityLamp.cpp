#include "window/QualityLamp.h"

#include <QPainter>

namespace quivane {

QualityLamp::QualityLamp(QColor litColour, QColor darkColour, QWidget* parent)
    : QWidget(parent), litColour_(litColour), darkColour_(darkColour)
{
    setFixedSize(Diameter, Diameter);
}

void QualityLamp::setLit(bool lit)
{
    if (lit_ == lit) return;
    lit_ = lit;
    update();
}

void QualityLamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::gray, 1));
    painter.setBrush(lit_ ? litColour_ : darkColour_);
    painter.drawEllipse(QRectF(0.5, 0.5, Diameter - 1, Diameter - 1));
}

}  // namespace quivane
