#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "window/ZoomGeometry.h"

class QLabel;
class QRadioButton;

namespace quivane {

// The picture itself, zoomed and panned: the wheel zooms around the
// pointer, a drag pans, and the picture never leaves the view.
class ZoomView : public QWidget {
    Q_OBJECT

public:
    explicit ZoomView(QWidget* parent);

    // A new picture keeps the zoom and the place when it has the size of the
    // one before (a redraw of the result); another size is fitted anew.
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    void fitToView();
    void showOneToOne();
    void zoomBy(int levels, QPointF around);
    const ZoomPlacement& placement() const { return placement_; }
    bool fitted() const { return fitted_; }

signals:
    // The picture pixel under the pointer, or none; also sent when the
    // picture changes under a pointer that stands still.
    void pointerOver(std::optional<PixelPosition> pixel);
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    PixelSize pictureSize() const { return {picture_.width(), picture_.height()}; }
    PixelSize viewSize() const { return {width(), height()}; }
    void place(const ZoomPlacement& placement);
    void reportPointer();

    QImage picture_;
    ZoomPlacement placement_;
    bool fitted_ = true;  // follows the view's size until the user zooms
    int level_ = 0;
    std::optional<QPointF> dragFrom_;
    std::optional<QPointF> pointer_;
};

// The picture viewer: its own resizable window showing the result picture
// (as the result box gets it, at its full size, with the display settings)
// or the shown input picture, fitted, at 1:1 or zoomed; its status line
// gives the position and colour of the pixel under the pointer. It is given
// every picture the main window shows and keeps the latest of each.
class PictureViewer : public QWidget {
    Q_OBJECT

public:
    enum class Source { Result, Input };

    explicit PictureViewer(QWidget* parent = nullptr);

    void setResult(const QImage& picture);
    void setInput(const QImage& picture);
    void setSource(Source source);
    Source source() const { return source_; }
    ZoomView* view() const { return view_; }
    QString pixelText() const;

private:
    void showSource();
    void showPixel(std::optional<PixelPosition> pixel);
    void showZoom();

    QImage result_;
    QImage input_;
    Source source_ = Source::Result;
    ZoomView* view_ = nullptr;
    QRadioButton* resultChoice_ = nullptr;
    QRadioButton* inputChoice_ = nullptr;
    QLabel* zoomText_ = nullptr;
    QLabel* pixelText_ = nullptr;
};

}  // namespace quivane
