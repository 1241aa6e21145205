#include "window/SpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace quivane {
namespace {

// Enough digits for every range of the window, few enough for an int.
constexpr int MaximumDigits = 6;

}  // namespace

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent)
{
    // Nothing is applied while typing: only Enter or leaving the box sends
    // the number.
    setKeyboardTracking(false);
}

// Any whole number may be typed, even outside the range: refusing keys
// silently would not tell the user why; the listener says it instead.
QValidator::State SpinEdit::validate(QString& text, int&) const
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t == "-") return QValidator::Intermediate;
    const QString digits = t.startsWith('-') ? t.mid(1) : t;
    if (digits.size() > MaximumDigits) return QValidator::Invalid;
    for (const QChar c : digits)
        if (!c.isDigit()) return QValidator::Invalid;
    return QValidator::Acceptable;
}

bool SpinEdit::typedPending() const { return lineEdit()->text() != textFromValue(value()); }

void SpinEdit::showHeldValue()
{
    if (typedPending()) lineEdit()->setText(textFromValue(value()));
}

void SpinEdit::commitTyped()
{
    if (typedPending()) {
        bool ok = false;
        const int typed = lineEdit()->text().trimmed().toInt(&ok);
        if (ok && typed != value()) emit valueTyped(typed);
    }
    showHeldValue();
}

// The arrows step from the value the box holds; a number typed and not yet
// confirmed is dropped rather than half taken (Qt would clamp it into the
// range, off the box's steps).
void SpinEdit::stepBy(int steps)
{
    showHeldValue();
    QSpinBox::stepBy(steps);
}

void SpinEdit::keyPressEvent(QKeyEvent* event)
{
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        commitTyped();
        selectAll();
        event->accept();
        return;
    case Qt::Key_Escape:
        showHeldValue();
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The window has moved the picture number already.
        event->accept();
        return;
    default:
        if (keypad && event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9) {
            // The number-pad digits nudge and browse for the whole window.
            event->accept();
            return;
        }
        break;
    }
    QSpinBox::keyPressEvent(event);
}

void SpinEdit::focusOutEvent(QFocusEvent* event)
{
    commitTyped();
    QSpinBox::focusOutEvent(event);
}

}  // namespace quivane
