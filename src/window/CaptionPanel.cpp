#include "window/CaptionPanel.h"

#include <QLabel>

namespace quivane {

CaptionPanel::CaptionPanel(const QString& caption, const QRect& geometry, QWidget* parent)
    : QFrame(parent), strip_(new QLabel(caption, this))
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setGeometry(geometry);
    strip_->setGeometry(2, 2, geometry.width() - 4, StripHeight - 1);
    strip_->setAlignment(Qt::AlignCenter);
    strip_->setAutoFillBackground(true);
    QPalette palette = strip_->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    strip_->setPalette(palette);
}

void CaptionPanel::setCaption(const QString& caption) { strip_->setText(caption); }

QString CaptionPanel::caption() const { return strip_->text(); }

}  // namespace quivane
