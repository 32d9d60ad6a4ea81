#include "clipboard/Paster.h"

#include "clipboard/ClipboardHistory.h"
#include "platform/Platform.h"
#include "platform/WindowSystem.h"
#include "ui/CoreToastCenter.h"

#include <QTimer>

Paster::Paster(ClipboardHistory &history, WindowSystem &windows, Toast toast, QObject *parent)
    : QObject(parent)
    , m_history(history)
    , m_windows(windows)
    , m_toast(std::move(toast))
{ }

Paster &Paster::shared()
{
    static Paster *const paster
        = new Paster(ClipboardHistory::shared(), *Platform::installed().windows,
                     [](const QString &title, const QString &message, double duration) {
                         CoreToastCenter::shared().show(title, message, duration);
                     });
    return *paster;
}

void Paster::paste(const ClipItem &clip)
{
    m_history.copy(clip);
    if (!m_windows.trusted()) {
        if (m_toast)
            m_toast(QStringLiteral("Copied"),
                    QStringLiteral("Kaidro cannot type into other apps on this desktop. For now, "
                                   "press Ctrl+V."),
                    toastDuration);
        return;
    }
    QTimer::singleShot(keystrokeDelayMs, this, &Paster::sendPasteKeystroke);
}

void Paster::sendPasteKeystroke()
{
    // A keystroke that cannot be sent leaves the text on the clipboard for the user to paste.
    m_windows.sendPasteKeystroke();
}
