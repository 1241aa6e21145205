#pragma once

#include <QSpinBox>

namespace quivane {

// A spin edit that changes by its arrows (or the arrow keys) in its step, and
// takes a typed number when Enter is pressed or the box loses the focus. The
// typed number is not checked here: it goes out as `valueTyped`, and whoever
// listens decides and shows the value the box is to hold. Page Up/Down and
// the number-pad digits stay the window's keys: the box does nothing more
// with them, so Page Up moves one picture and not Qt's page step.
class SpinEdit : public QSpinBox {
    Q_OBJECT

public:
    explicit SpinEdit(QWidget* parent);

    void stepBy(int steps) override;

signals:
    void valueTyped(int value);

protected:
    QValidator::State validate(QString& text, int& position) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Sends a number typed since the box last showed its value, then shows
    // the value it holds (which the listener may have changed).
    void commitTyped();
    bool typedPending() const;
    void showHeldValue();
};

}  // namespace quivane
