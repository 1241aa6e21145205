#include "window/WindowKeys.h"

#include <QKeyEvent>

namespace quivane {

std::optional<WindowKey> WindowKeyOf(const QKeyEvent& event)
{
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    switch (event.key()) {
    case Qt::Key_Escape: return WindowKey::Escape;
    case Qt::Key_PageUp: return WindowKey::PageUp;
    case Qt::Key_PageDown: return WindowKey::PageDown;
    case Qt::Key_F1: return WindowKey::F1;
    case Qt::Key_F2: return WindowKey::F2;
    case Qt::Key_F3: return WindowKey::F3;
    case Qt::Key_F4: return WindowKey::F4;
    default: break;
    }
    if (!keypad) return std::nullopt;
    switch (event.key()) {
    case Qt::Key_9: return WindowKey::Pad9;
    case Qt::Key_3: return WindowKey::Pad3;
    case Qt::Key_8: return WindowKey::Pad8;
    case Qt::Key_2: return WindowKey::Pad2;
    case Qt::Key_6: return WindowKey::Pad6;
    case Qt::Key_4: return WindowKey::Pad4;
    default: return std::nullopt;
    }
}

}  // namespace quivane
