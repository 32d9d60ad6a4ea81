#include "platform/linux/QtPasteboard.h"

#include "platform/OffThread.h"
#include "platform/linux/X11ClipboardReader.h"
#include "platform/linux/Xcb.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QtPasteboard::QtPasteboard(QObject *parent)
    : Pasteboard(parent)
    , m_reader(std::make_unique<X11ClipboardReader>(maxTextBytes))
{
    // One worker, waiting on the X connection for as long as the pasteboard lives.
    m_pool.setMaxThreadCount(1);
    m_pool.setExpiryTimeout(-1);
    if (m_reader->isValid())
        readNext();
}

QtPasteboard::~QtPasteboard()
{
    m_stop = true;
    m_reader->wake();
    m_pool.waitForDone();
}

void QtPasteboard::readNext()
{
    X11ClipboardReader *reader = m_reader.get();
    OffThread::run(
        m_pool, this, [reader, this] { return reader->next(m_stop, m_ownOwner); },
        [this](std::optional<X11ClipboardReader::Contents> contents) {
            if (!contents)
                return;
            // A read of our own write, overtaken by it: the write counted when it was made.
            const bool ours = contents->owner != 0 && contents->owner == m_ownOwner;
            if (!ours) {
                m_types = std::move(contents->types);
                m_text = std::move(contents->text);
                // What was there before we started is no change.
                if (!contents->initial) {
                    ++m_changeCount;
                    emit changed();
                }
            }
            readNext();
        });
}

bool QtPasteboard::isSelectionTarget(const QString &format)
{
    static const QStringList targets{
        QStringLiteral("TARGETS"),      QStringLiteral("MULTIPLE"), QStringLiteral("TIMESTAMP"),
        QStringLiteral("SAVE_TARGETS"), QStringLiteral("DELETE"),   QStringLiteral("INCR"),
    };
    return targets.contains(format);
}

std::optional<QString> QtPasteboard::plainText() const
{
    if (!m_text)
        return std::nullopt;
    return QString::fromUtf8(*m_text);
}

void QtPasteboard::setPlainText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->clear(QClipboard::Clipboard);
    auto *data = new QMimeData;
    data->setText(text);
    clipboard->setMimeData(data, QClipboard::Clipboard);
    if (xcb_connection_t *c = Xcb::connection()) {
        // The window QClipboard owns the selection with, so the worker passes over our writes.
        xcb_intern_atom_reply_t *atom
            = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 9, "CLIPBOARD"), nullptr);
        if (atom) {
            Xcb::Reply<xcb_get_selection_owner_reply_t> owner(
                xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
            if (owner)
                m_ownOwner = owner->owner;
        }
        std::free(atom);
    }
    m_types = QStringList{QStringLiteral("text/plain")};
    m_text = text.toUtf8();
    ++m_changeCount;
}
