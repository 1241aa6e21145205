#include "window/PictureViewer.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "image/PixelHelpers.h"

namespace quivane {
namespace {

// One notch of an ordinary wheel.
constexpr int WheelNotch = 120;

}  // namespace

// ---- the view -----------------------------------------------------------

ZoomView::ZoomView(QWidget* parent) : QWidget(parent)
{
    setObjectName("ViewerPicture");
    setMouseTracking(true);
    setMinimumSize(160, 120);
    setCursor(Qt::OpenHandCursor);
    setToolTip("Wheel: zoom around the pointer; drag: move the picture");
}

void ZoomView::setPicture(const QImage& picture)
{
    const bool sameSize = picture.size() == picture_.size();
    picture_ = picture;
    if (fitted_ || !sameSize) {
        fitToView();
        return;
    }
    update();
    reportPointer();
}

void ZoomView::place(const ZoomPlacement& placement)
{
    placement_ = KeepInView(placement, pictureSize(), viewSize());
    update();
    reportPointer();
    emit zoomChanged();
}

void ZoomView::fitToView()
{
    fitted_ = true;
    const ZoomPlacement fit = FitPlacement(pictureSize(), viewSize());
    level_ = LevelBelow(fit.scale);
    place(fit);
}

void ZoomView::showOneToOne()
{
    fitted_ = false;
    level_ = 0;
    place(OneToOnePlacement(pictureSize(), viewSize()));
}

void ZoomView::zoomBy(int levels, QPointF around)
{
    if (picture_.isNull()) return;
    // A fitted scale lies on a level or just above level_: zooming out from
    // between two levels goes to the one below first.
    int level = level_ + levels;
    if (fitted_ && levels < 0 && ScaleOfLevel(level_) < placement_.scale) level += 1;
    level = std::clamp(level, MinimumZoomLevel, MaximumZoomLevel);
    fitted_ = false;
    level_ = level;
    place(ZoomAround(placement_, ScaleOfLevel(level), around.x(), around.y()));
}

void ZoomView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(48, 48, 48));
    if (picture_.isNull()) return;
    // Pixels stay square blocks when enlarged: the values are what is looked at.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, placement_.scale < 1.0);
    const QRectF target(placement_.originX, placement_.originY, picture_.width() * placement_.scale,
                        picture_.height() * placement_.scale);
    painter.drawImage(target, picture_);
}

void ZoomView::resizeEvent(QResizeEvent*)
{
    if (fitted_) {
        fitToView();
    } else {
        place(placement_);
    }
}

void ZoomView::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / WheelNotch;
    if (notches != 0) zoomBy(notches, event->position());
    event->accept();
}

void ZoomView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    dragFrom_ = event->position();
    setCursor(Qt::ClosedHandCursor);
}

void ZoomView::mouseMoveEvent(QMouseEvent* event)
{
    pointer_ = event->position();
    if (dragFrom_) {
        const QPointF moved = event->position() - *dragFrom_;
        dragFrom_ = event->position();
        fitted_ = false;
        place(PanBy(placement_, moved.x(), moved.y()));
        return;
    }
    reportPointer();
}

void ZoomView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    dragFrom_.reset();
    setCursor(Qt::OpenHandCursor);
}

void ZoomView::leaveEvent(QEvent*)
{
    pointer_.reset();
    reportPointer();
}

void ZoomView::reportPointer()
{
    if (!pointer_ || picture_.isNull()) {
        emit pointerOver(std::nullopt);
        return;
    }
    emit pointerOver(PixelAt(placement_, pictureSize(), pointer_->x(), pointer_->y()));
}

// ---- the window ---------------------------------------------------------

PictureViewer::PictureViewer(QWidget* parent) : QWidget(parent)
{
    setWindowFlag(Qt::Window);
    setObjectName("PictureViewer");
    setWindowTitle("Quivane: picture viewer");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 4);
    layout->setSpacing(4);

    auto* bar = new QHBoxLayout;
    resultChoice_ = new QRadioButton("&Result", this);
    resultChoice_->setObjectName("ViewerResultChoice");
    resultChoice_->setToolTip("Show the result picture with the display settings of the main window");
    inputChoice_ = new QRadioButton("&Input picture", this);
    inputChoice_->setObjectName("ViewerInputChoice");
    inputChoice_->setToolTip("Show the input picture the main window shows");
    auto* choices = new QButtonGroup(this);
    choices->addButton(resultChoice_);
    choices->addButton(inputChoice_);
    resultChoice_->setChecked(true);
    auto* fit = new QPushButton("&Fit", this);
    fit->setObjectName("ViewerFitButton");
    fit->setToolTip("Show the whole picture, as large as the window allows");
    auto* oneToOne = new QPushButton("&1:1", this);
    oneToOne->setObjectName("ViewerOneToOneButton");
    oneToOne->setToolTip("One screen pixel for each picture pixel");
    zoomText_ = new QLabel(this);
    zoomText_->setObjectName("ViewerZoom");
    zoomText_->setMinimumWidth(90);
    bar->addWidget(resultChoice_);
    bar->addWidget(inputChoice_);
    bar->addStretch(1);
    bar->addWidget(zoomText_);
    bar->addWidget(fit);
    bar->addWidget(oneToOne);
    layout->addLayout(bar);

    view_ = new ZoomView(this);
    layout->addWidget(view_, 1);

    pixelText_ = new QLabel(this);
    pixelText_->setObjectName("ViewerPixel");
    pixelText_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pixelText_->setIndent(4);
    pixelText_->setToolTip("The picture pixel under the pointer: its column and row, counted from 0 at the top "
                           "left, and its colour as shown and saved");
    layout->addWidget(pixelText_);

    connect(resultChoice_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) setSource(Source::Result);
    });
    connect(inputChoice_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) setSource(Source::Input);
    });
    connect(fit, &QPushButton::clicked, view_, &ZoomView::fitToView);
    connect(oneToOne, &QPushButton::clicked, view_, &ZoomView::showOneToOne);
    connect(view_, &ZoomView::pointerOver, this, [this](std::optional<PixelPosition> pixel) { showPixel(pixel); });
    connect(view_, &ZoomView::zoomChanged, this, [this] { showZoom(); });
    resize(800, 640);
    showPixel(std::nullopt);
}

void PictureViewer::setResult(const QImage& picture)
{
    result_ = picture;
    if (source_ == Source::Result) view_->setPicture(result_);
}

void PictureViewer::setInput(const QImage& picture)
{
    input_ = picture;
    if (source_ == Source::Input) view_->setPicture(input_);
}

void PictureViewer::setSource(Source source)
{
    source_ = source;
    (source == Source::Result ? resultChoice_ : inputChoice_)->setChecked(true);
    view_->setPicture(source == Source::Result ? result_ : input_);
}

QString PictureViewer::pixelText() const { return pixelText_->text(); }

void PictureViewer::showPixel(std::optional<PixelPosition> pixel)
{
    const QImage& picture = view_->picture();
    const QString size = QString("%1 x %2 pixels").arg(picture.width()).arg(picture.height());
    if (!pixel) {
        pixelText_->setText(size);
        return;
    }
    const QRgb rgb = picture.pixel(pixel->x, pixel->y);
    const int red = qRed(rgb), green = qGreen(rgb), blue = qBlue(rgb);
    pixelText_->setText(QString("%1; x %2, y %3: red %4, green %5, blue %6 (luminance %7)")
                            .arg(size)
                            .arg(pixel->x)
                            .arg(pixel->y)
                            .arg(red)
                            .arg(green)
                            .arg(blue)
                            .arg(Luminance(red, green, blue)));
}

void PictureViewer::showZoom()
{
    const double percent = view_->placement().scale * 100.0;
    const QString amount = percent >= 10 ? QString::number(std::lround(percent)) : QString::number(percent, 'f', 1);
    zoomText_->setText(view_->fitted() ? QString("Fit, %1%").arg(amount) : amount + "%");
}

}  // namespace quivane
