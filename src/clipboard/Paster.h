#pragma once

#include "clipboard/ClipItem.h"

#include <QObject>

class ClipboardHistory;
class Feedback;
class WindowSystem;

// Pastes a history entry into the app the user is working in: the entry goes on the clipboard,
// then the paste shortcut is typed a moment later, once our own panel is gone.
class Paster final : public QObject
{
    Q_OBJECT
public:
    static constexpr int keystrokeDelayMs = 150;
    static constexpr double toastDuration = 4.0;

    Paster(ClipboardHistory &history, WindowSystem &windows, Feedback &feedback,
           QObject *parent = nullptr);

    void paste(const ClipItem &clip);
    void sendPasteKeystroke();

private:
    ClipboardHistory &m_history;
    WindowSystem &m_windows;
    Feedback &m_feedback;
};
