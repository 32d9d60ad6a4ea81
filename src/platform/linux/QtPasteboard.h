#pragma once

#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QThreadPool>

#include <atomic>
#include <memory>

class X11ClipboardReader;

// The CLIPBOARD selection. Reading is a worker's, on an X connection of its own
// (X11ClipboardReader): the event loop never waits for another app, whose answer may never come.
// What the worker read last is what types() and plainText() give; the change count grows when it
// arrives and on every write of ours, which QClipboard makes and which counts once.
class QtPasteboard final : public Pasteboard
{
    Q_OBJECT
public:
    // Texts over this size are refused unread: far over anything the history keeps, and large
    // enough for every readout.
    static constexpr qsizetype maxTextBytes = 8 * 1024 * 1024;

    explicit QtPasteboard(QObject *parent = nullptr);
    ~QtPasteboard() override;

    qint64 changeCount() const override { return m_changeCount; }
    QStringList types() const override { return m_types; }
    std::optional<QString> plainText() const override;
    void setPlainText(const QString &text) override;
    // XFixes tells the worker of every new clipboard owner.
    bool reportsChanges() const override { return true; }

    // The X11 selection machinery's own targets, which say nothing about the content.
    static bool isSelectionTarget(const QString &format);

private:
    void readNext();

    qint64 m_changeCount = 0;
    QStringList m_types;
    std::optional<QByteArray> m_text;
    std::unique_ptr<X11ClipboardReader> m_reader;
    std::atomic<bool> m_stop = false;
    // The window QClipboard owns the selection with once we wrote; its changes are ours.
    std::atomic<quint32> m_ownOwner = 0;
    QThreadPool m_pool;
};
