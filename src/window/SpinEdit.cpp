#include "window/SpinEdit.h"

#include <QLineEdit>

namespace quivane {

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent)
{
    lineEdit()->setReadOnly(true);
    setKeyboardTracking(false);
}

}  // namespace quivane
