#include "window/PictureBox.h"

#include <QPainter>

namespace quivane {

PictureBox::PictureBox(const QImage& startPicture, QWidget* parent) : QWidget(parent), picture_(startPicture) {}

void PictureBox::setPicture(const QImage& picture)
{
    picture_ = picture;
    update();
}

void PictureBox::setStretched(bool stretched)
{
    stretched_ = stretched;
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (picture_.isNull()) return;
    if (stretched_) {
        painter.drawImage(rect(), picture_);
        return;
    }
    const QPoint topLeft((width() - picture_.width()) / 2, (height() - picture_.height()) / 2);
    painter.drawImage(topLeft, picture_);
}

}  // namespace quivane
