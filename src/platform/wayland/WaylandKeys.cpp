#include "platform/wayland/WaylandKeys.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <QList>
#include <Qt>

#include <array>
#include <utility>

namespace WaylandKeys {

int qtKey(quint32 keysym, const QString &text)
{
    static constexpr std::array<std::pair<quint32, int>, 48> named{{
        {XKB_KEY_Escape, Qt::Key_Escape},
        {XKB_KEY_Tab, Qt::Key_Tab},
        {XKB_KEY_ISO_Left_Tab, Qt::Key_Backtab},
        {XKB_KEY_BackSpace, Qt::Key_Backspace},
        {XKB_KEY_Return, Qt::Key_Return},
        {XKB_KEY_KP_Enter, Qt::Key_Enter},
        {XKB_KEY_Insert, Qt::Key_Insert},
        {XKB_KEY_Delete, Qt::Key_Delete},
        {XKB_KEY_KP_Delete, Qt::Key_Delete},
        {XKB_KEY_Pause, Qt::Key_Pause},
        {XKB_KEY_Print, Qt::Key_Print},
        {XKB_KEY_Home, Qt::Key_Home},
        {XKB_KEY_KP_Home, Qt::Key_Home},
        {XKB_KEY_End, Qt::Key_End},
        {XKB_KEY_KP_End, Qt::Key_End},
        {XKB_KEY_Left, Qt::Key_Left},
        {XKB_KEY_KP_Left, Qt::Key_Left},
        {XKB_KEY_Up, Qt::Key_Up},
        {XKB_KEY_KP_Up, Qt::Key_Up},
        {XKB_KEY_Right, Qt::Key_Right},
        {XKB_KEY_KP_Right, Qt::Key_Right},
        {XKB_KEY_Down, Qt::Key_Down},
        {XKB_KEY_KP_Down, Qt::Key_Down},
        {XKB_KEY_Page_Up, Qt::Key_PageUp},
        {XKB_KEY_KP_Page_Up, Qt::Key_PageUp},
        {XKB_KEY_Page_Down, Qt::Key_PageDown},
        {XKB_KEY_KP_Page_Down, Qt::Key_PageDown},
        {XKB_KEY_Shift_L, Qt::Key_Shift},
        {XKB_KEY_Shift_R, Qt::Key_Shift},
        {XKB_KEY_Control_L, Qt::Key_Control},
        {XKB_KEY_Control_R, Qt::Key_Control},
        {XKB_KEY_Alt_L, Qt::Key_Alt},
        {XKB_KEY_Alt_R, Qt::Key_Alt},
        {XKB_KEY_ISO_Level3_Shift, Qt::Key_AltGr},
        {XKB_KEY_Super_L, Qt::Key_Meta},
        {XKB_KEY_Super_R, Qt::Key_Meta},
        {XKB_KEY_Meta_L, Qt::Key_Meta},
        {XKB_KEY_Meta_R, Qt::Key_Meta},
        {XKB_KEY_Caps_Lock, Qt::Key_CapsLock},
        {XKB_KEY_Num_Lock, Qt::Key_NumLock},
        {XKB_KEY_Menu, Qt::Key_Menu},
        {XKB_KEY_space, Qt::Key_Space},
        {XKB_KEY_KP_Space, Qt::Key_Space},
        {XKB_KEY_KP_Add, Qt::Key_Plus},
        {XKB_KEY_KP_Subtract, Qt::Key_Minus},
        {XKB_KEY_KP_Multiply, Qt::Key_Asterisk},
        {XKB_KEY_KP_Divide, Qt::Key_Slash},
        {XKB_KEY_KP_Decimal, Qt::Key_Period},
    }};
    for (const auto &[sym, key] : named) {
        if (sym == keysym)
            return key;
    }
    if (keysym >= XKB_KEY_F1 && keysym <= XKB_KEY_F35)
        return Qt::Key_F1 + int(keysym - XKB_KEY_F1);
    // A printable key is named by what it types, upper-cased: "a" and "A" are both Key_A.
    if (text.size() == 1 || (text.size() == 2 && text.at(0).isHighSurrogate())) {
        const uint code = text.toUcs4().value(0);
        if (code >= 0x20 && code != 0x7f)
            return int(QChar::toUpper(char32_t(code)));
    }
    return 0;
}

} // namespace WaylandKeys
