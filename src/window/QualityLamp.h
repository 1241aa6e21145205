#pragma once

#include <QColor>
#include <QWidget>

namespace quivane {

// A small round indicator with a lit and a dark colour.
class QualityLamp : public QWidget {
    Q_OBJECT

public:
    static constexpr int Diameter = 13;

    QualityLamp(QColor litColour, QColor darkColour, QWidget* parent);

    void setLit(bool lit);
    bool isLit() const { return lit_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor litColour_;
    QColor darkColour_;
    bool lit_ = false;
};

}  // namespace quivane
