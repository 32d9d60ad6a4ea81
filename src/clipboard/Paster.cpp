#include "clipboard/Paster.h"

#include "clipboard/ClipboardHistory.h"
#include "platform/Feedback.h"
#include "platform/Logging.h"
#include "platform/WindowSystem.h"

Paster::Paster(ClipboardHistory &history, WindowSystem &windows, Feedback &feedback,
               QObject *parent)
    : QObject(parent)
    , m_history(history)
    , m_windows(windows)
    , m_feedback(feedback)
{ }

void Paster::paste(const ClipItem &clip)
{
    m_history.copy(clip);
    if (!m_windows.trusted()) {
        qCDebug(lcClipboard) << "no window control: the clip is copied, not pasted";
        m_feedback.toast(QStringLiteral("Copied"),
                         QStringLiteral("Kaidro cannot type into other apps on this desktop. For "
                                        "now, press Ctrl+V."),
                         toastDuration);
        return;
    }
    m_feedback.later(keystrokeDelayMs, this, [this] { sendPasteKeystroke(); });
}

void Paster::sendPasteKeystroke()
{
    // A keystroke that cannot be sent leaves the text on the clipboard for the user to paste.
    const bool sent = m_windows.sendPasteKeystroke();
    qCDebug(lcClipboard) << "paste keystroke" << (sent ? "sent" : "not sent");
}
