#pragma once

#include "platform/Pasteboard.h"

#include <functional>
#include <utility>

// A clipboard the test writes as another app would (`externalCopy`) and reads back.
class FakePasteboard final : public Pasteboard
{
public:
    qint64 count = 0;
    QStringList currentTypes;
    std::optional<QString> text;
    mutable int plainTextReads = 0;
    // Runs as the text is read: another app copying between the type check and the read.
    std::function<void()> duringRead;
    QStringList written; // every text the program put on the clipboard, in order

    qint64 changeCount() const override { return count; }
    bool reports = false;
    bool reportsChanges() const override { return reports; }
    QStringList types() const override { return currentTypes; }
    std::optional<QString> plainText() const override
    {
        ++plainTextReads;
        if (duringRead)
            std::exchange(const_cast<FakePasteboard *>(this)->duringRead, {})();
        return text;
    }
    void setPlainText(const QString &value) override
    {
        externalCopy(value);
        written << value;
    }

    // Another app copies `value`, optionally marked with extra types.
    void externalCopy(const QString &value, const QStringList &extraTypes = {})
    {
        currentTypes = QStringList{QStringLiteral("text/plain")} + extraTypes;
        text = value;
        bump();
    }
    // Another app copies something that is not text (an image, a file list).
    void externalCopyOther(const QStringList &types)
    {
        text.reset();
        currentTypes = types;
        bump();
    }
    void bump()
    {
        ++count;
        if (reports)
            emit changed();
    }
};
