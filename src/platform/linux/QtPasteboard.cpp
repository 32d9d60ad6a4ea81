#include "platform/linux/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QtPasteboard::QtPasteboard(QObject *parent)
    : Pasteboard(parent)
{
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        connect(clipboard, &QClipboard::dataChanged, this, [this] {
            // Our own write reports itself while we are still writing; it is counted there.
            if (!m_writing) {
                ++m_changeCount;
                emit changed();
            }
        });
    }
}

bool QtPasteboard::isSelectionTarget(const QString &format)
{
    static const QStringList targets{
        QStringLiteral("TARGETS"),      QStringLiteral("MULTIPLE"), QStringLiteral("TIMESTAMP"),
        QStringLiteral("SAVE_TARGETS"), QStringLiteral("DELETE"),   QStringLiteral("INCR"),
    };
    return targets.contains(format);
}

QStringList QtPasteboard::types() const
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *data = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    if (!data)
        return {};
    QStringList out;
    for (const QString &format : data->formats()) {
        if (!isSelectionTarget(format))
            out << format;
    }
    return out;
}

std::optional<QString> QtPasteboard::plainText() const
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *data = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    // Only text is converted: an image or a file list on the clipboard is never fetched.
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

void QtPasteboard::setPlainText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    m_writing = true;
    clipboard->clear(QClipboard::Clipboard);
    auto *data = new QMimeData;
    data->setText(text);
    clipboard->setMimeData(data, QClipboard::Clipboard);
    m_writing = false;
    ++m_changeCount;
}
