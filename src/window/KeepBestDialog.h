#pragma once

#include <QDialog>

#include "select/KeepBest.h"

class QRadioButton;
class QSpinBox;

namespace quivane {

// Asks how many pictures "Keep best" keeps: a percentage of the usable ones
// or a count. Shows the rule given; `rule` is what the user chose.
class KeepBestDialog : public QDialog {
    Q_OBJECT

public:
    KeepBestDialog(KeepRule current, int usable, QWidget* parent);
    KeepRule rule() const;

private:
    QRadioButton* percent_ = nullptr;
    QRadioButton* count_ = nullptr;
    QSpinBox* percentValue_ = nullptr;
    QSpinBox* countValue_ = nullptr;
};

}  // namespace quivane
