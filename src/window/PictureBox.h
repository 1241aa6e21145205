#pragma once

#include <QImage>
#include <QWidget>

namespace quivane {

// A fixed 192 x 144 picture box: either stretches its picture into the box or
// shows it unscaled and centred (cut where it is larger).
class PictureBox : public QWidget {
    Q_OBJECT

public:
    PictureBox(const QImage& startPicture, QWidget* parent);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    void setStretched(bool stretched);
    bool stretched() const { return stretched_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    bool stretched_ = true;
};

}  // namespace quivane
