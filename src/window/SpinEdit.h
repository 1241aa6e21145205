#pragma once

#include <QSpinBox>

namespace quivane {

// A spin edit that changes only by its arrows (or the arrow keys), in its
// step; its value cannot be typed.
class SpinEdit : public QSpinBox {
    Q_OBJECT

public:
    explicit SpinEdit(QWidget* parent);
};

}  // namespace quivane
