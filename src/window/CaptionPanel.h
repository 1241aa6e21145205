#pragma once

#include <QFrame>

class QLabel;

namespace quivane {

// A raised panel headed by a white caption strip; children are placed in
// panel coordinates below the strip.
class CaptionPanel : public QFrame {
    Q_OBJECT

public:
    static constexpr int StripHeight = 16;

    CaptionPanel(const QString& caption, const QRect& geometry, QWidget* parent);

    void setCaption(const QString& caption);
    QString caption() const;

private:
    QLabel* strip_;
};

}  // namespace quivane
