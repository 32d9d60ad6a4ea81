#pragma once

#include "platform/Pasteboard.h"

// The CLIPBOARD selection through QClipboard. The change count is our own: it grows on every
// change the clipboard reports and on every write of ours, and a write of ours counts once.
class QtPasteboard final : public Pasteboard
{
    Q_OBJECT
public:
    explicit QtPasteboard(QObject *parent = nullptr);

    qint64 changeCount() const override { return m_changeCount; }
    QStringList types() const override;
    std::optional<QString> plainText() const override;
    void setPlainText(const QString &text) override;
    // The X server tells Qt of every new clipboard owner.
    bool reportsChanges() const override { return true; }

    // The X11 selection machinery's own targets, which say nothing about the content.
    static bool isSelectionTarget(const QString &format);

private:
    qint64 m_changeCount = 0;
    bool m_writing = false;
};
