#pragma once

#include "clipboard/ClipItem.h"

#include <QObject>

#include <functional>

class ClipboardHistory;
class WindowSystem;

// Pastes a history entry into the app the user is working in: the entry goes on the clipboard,
// then the paste shortcut is typed a moment later, once our own panel is gone.
class Paster final : public QObject
{
    Q_OBJECT
public:
    static constexpr int keystrokeDelayMs = 150;
    static constexpr double toastDuration = 4.0;

    using Toast = std::function<void(const QString &title, const QString &message, double)>;

    Paster(ClipboardHistory &history, WindowSystem &windows, Toast toast,
           QObject *parent = nullptr);

    static Paster &shared();

    void paste(const ClipItem &clip);
    void sendPasteKeystroke();

private:
    ClipboardHistory &m_history;
    WindowSystem &m_windows;
    Toast m_toast;
};
