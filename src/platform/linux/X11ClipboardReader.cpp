#include "platform/linux/X11ClipboardReader.h"

#include "platform/Logging.h"
#include "platform/Pasteboard.h"
#include "platform/linux/QtPasteboard.h"
#include "platform/linux/Xcb.h"

#include <xcb/xfixes.h>

#include <climits>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The targets that carry text, best first, and whether they are UTF-8 (else Latin-1).
constexpr std::pair<const char *, bool> textTargets[]{
    {"UTF8_STRING", true},
    {"text/plain;charset=utf-8", true},
    {"text/plain", true},
    {"STRING", false},
};

// The types a toolkit shows for the X text targets, as QMimeData::formats() names them.
QString typeName(const QString &target)
{
    static const QStringList plain{"UTF8_STRING", "STRING", "TEXT", "COMPOUND_TEXT",
                                   "text/plain;charset=utf-8"};
    return plain.contains(target) ? QStringLiteral("text/plain") : target;
}

} // namespace

X11ClipboardReader::X11ClipboardReader(qsizetype maxTextBytes)
    : m_maxTextBytes(maxTextBytes)
{
    // Only where the program itself runs on X; the display it names is ours too.
    if (!Xcb::connection())
        return;
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection))
        return;
    // The questions go out together and are answered in one round trip, not one each.
    xcb_prefetch_extension_data(m_connection, &xcb_xfixes_id);
    std::vector<std::string> names{"CLIPBOARD", "TARGETS", "INCR"};
    for (int i = 0; i < int(std::size(m_properties)); ++i)
        names.push_back("KAIDRO_CLIPBOARD_" + std::to_string(i));
    std::vector<xcb_intern_atom_cookie_t> atoms;
    for (const std::string &name : names)
        atoms.push_back(xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.c_str()));
    std::vector<xcb_atom_t> interned;
    for (const xcb_intern_atom_cookie_t cookie : atoms) {
        const Xcb::Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(m_connection, cookie, nullptr));
        interned.push_back(reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE));
    }
    const xcb_query_extension_reply_t *xfixes
        = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return;
    Xcb::Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
        m_connection,
        xcb_xfixes_query_version(m_connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    if (!version || version->major_version < 1)
        return;
    m_selectionNotify = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    m_clipboard = interned[0];
    m_targets = interned[1];
    m_incr = interned[2];
    for (int i = 0; i < int(std::size(m_properties)); ++i)
        m_properties[i] = interned[size_t(3 + i)];
    const xcb_window_t root = Xcb::rootOf(m_connection);
    const xcb_window_t window = xcb_generate_id(m_connection);
    // Property changes tell of each chunk of an incremental transfer.
    const quint32 events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    xcb_xfixes_select_selection_input(m_connection, window, m_clipboard,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_flush(m_connection);
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_window = window;
}

X11ClipboardReader::~X11ClipboardReader()
{
    if (m_connection)
        xcb_disconnect(m_connection);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void X11ClipboardReader::wake()
{
    if (m_wakeFd >= 0)
        eventfd_write(m_wakeFd, 1);
}

QString X11ClipboardReader::atomName(xcb_atom_t atom)
{
    if (const auto it = m_names.constFind(atom); it != m_names.constEnd())
        return *it;
    Xcb::Reply<xcb_get_atom_name_reply_t> reply(
        xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, atom), nullptr));
    const QString name = reply ? QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                                     xcb_get_atom_name_name_length(reply.get()))
                               : QString();
    m_names.insert(atom, name);
    return name;
}

void X11ClipboardReader::handle(const xcb_generic_event_t *event)
{
    if ((event->response_type & 0x7f) != m_selectionNotify)
        return;
    const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
    if (notify->selection == m_clipboard)
        m_changed = true;
}

template <typename Wanted>
xcb_generic_event_t *X11ClipboardReader::waitFor(Wanted wanted, Deadline deadline)
{
    xcb_flush(m_connection);
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            handle(event);
            if (wanted(event))
                return event;
            std::free(event);
        }
        if (m_changed || (m_stop && *m_stop) || xcb_connection_has_error(m_connection))
            return nullptr;
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return nullptr;
        pollfd fds[2]{{xcb_get_file_descriptor(m_connection), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        ::poll(fds, m_wakeFd >= 0 ? 2 : 1, int(std::min<qint64>(left.count(), INT_MAX)));
    }
}

std::optional<X11ClipboardReader::Contents>
X11ClipboardReader::next(const std::atomic<bool> &stop, const std::atomic<quint32> &ownOwner)
{
    m_stop = &stop;
    while (!stop && isValid()) {
        if (!m_changed) {
            const Deadline far = Clock::now() + std::chrono::hours(1);
            std::free(waitFor([](const xcb_generic_event_t *) { return false; }, far));
            continue;
        }
        m_changed = false;
        // Only the first look is at what was there before; whatever overtakes it is a change.
        const bool initial = std::exchange(m_initial, false);
        Xcb::Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        if (owner != XCB_WINDOW_NONE && owner == ownOwner)
            continue;
        Contents contents = owner == XCB_WINDOW_NONE ? Contents{} : read(owner);
        // A round trip, so a change of owner the server made meanwhile has been heard.
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            handle(event);
            std::free(event);
        }
        if (m_changed)
            continue;
        contents.owner = owner;
        contents.initial = initial;
        return contents;
    }
    return std::nullopt;
}

xcb_atom_t X11ClipboardReader::convert(xcb_atom_t target)
{
    xcb_delete_property(m_connection, m_window, m_property);
    xcb_convert_selection(m_connection, m_window, m_clipboard, target, m_property,
                          XCB_CURRENT_TIME);
    xcb_generic_event_t *event = waitFor(
        [this, target](const xcb_generic_event_t *e) {
            const auto *notify = reinterpret_cast<const xcb_selection_notify_event_t *>(e);
            return (e->response_type & 0x7f) == XCB_SELECTION_NOTIFY
                && notify->requestor == m_window && notify->target == target
                && (notify->property == m_property || notify->property == XCB_ATOM_NONE);
        },
        Clock::now() + answerTimeout);
    if (!event)
        return XCB_ATOM_NONE;
    const xcb_atom_t property = reinterpret_cast<xcb_selection_notify_event_t *>(event)->property;
    std::free(event);
    return property;
}

X11ClipboardReader::Contents X11ClipboardReader::read(xcb_window_t owner)
{
    // Each owner answers into a property of its own: one that answers after we gave up on it
    // cannot write into the middle of the next one's transfer.
    m_nextProperty = (m_nextProperty + 1) % int(std::size(m_properties));
    m_property = m_properties[m_nextProperty];
    Contents contents;
    if (convert(m_targets) == XCB_ATOM_NONE) {
        qCDebug(lcClipboard) << "clipboard owner" << owner << "did not list its types";
        return contents;
    }
    Xcb::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 1, m_window, m_property, XCB_ATOM_ANY, 0, 4096), nullptr));
    if (!reply || reply->format != 32)
        return contents;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    QList<xcb_atom_t> offered;
    for (int i = 0; i < count; ++i) {
        const QString type = typeName(atomName(atoms[i]));
        offered << atoms[i];
        if (!type.isEmpty() && !QtPasteboard::isSelectionTarget(type)
            && !contents.types.contains(type))
            contents.types << type;
    }
    // The text of a secret, or of a copy that asks not to be remembered, is never read.
    if (Pasteboard::isPrivate(contents.types))
        return contents;
    for (const auto &[name, utf8] : textTargets) {
        const xcb_atom_t target = m_names.key(QString::fromLatin1(name), XCB_ATOM_NONE);
        if (target == XCB_ATOM_NONE || !offered.contains(target))
            continue;
        std::optional<QByteArray> bytes = fetchText(target);
        if (bytes && !utf8)
            bytes = QString::fromLatin1(*bytes).toUtf8();
        contents.text = std::move(bytes);
        break;
    }
    return contents;
}

std::optional<QByteArray> X11ClipboardReader::fetchText(xcb_atom_t target)
{
    if (convert(target) == XCB_ATOM_NONE)
        return std::nullopt;
    // The size first, without the data: a text far over the limit is never transferred.
    Xcb::Reply<xcb_get_property_reply_t> head(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, m_window, m_property, XCB_ATOM_ANY, 0, 0),
        nullptr));
    if (!head)
        return std::nullopt;
    if (head->type == m_incr) {
        // The announcement carries a lower bound of the size.
        Xcb::Reply<xcb_get_property_reply_t> size(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, m_window, m_property, m_incr, 0, 1),
            nullptr));
        const qsizetype announced = size && xcb_get_property_value_length(size.get()) >= 4
            ? *static_cast<const quint32 *>(xcb_get_property_value(size.get()))
            : 0;
        return fetchIncrementally(announced);
    }
    if (qsizetype(head->bytes_after) > m_maxTextBytes) {
        qCDebug(lcClipboard) << "clipboard text of" << head->bytes_after << "bytes left unread";
        xcb_delete_property(m_connection, m_window, m_property);
        return std::nullopt;
    }
    Xcb::Reply<xcb_get_property_reply_t> data(
        xcb_get_property_reply(m_connection,
                               xcb_get_property(m_connection, 1, m_window, m_property, XCB_ATOM_ANY,
                                                0, (head->bytes_after + 3) / 4),
                               nullptr));
    if (!data)
        return std::nullopt;
    return QByteArray(static_cast<const char *>(xcb_get_property_value(data.get())),
                      xcb_get_property_value_length(data.get()));
}

std::optional<QByteArray> X11ClipboardReader::fetchIncrementally(qsizetype announced)
{
    if (announced > m_maxTextBytes) {
        // The owner waits for the property to go before it sends anything: it is left in
        // place, and the owner gives up on its own.
        qCDebug(lcClipboard) << "clipboard text of" << announced << "bytes left unread";
        return std::nullopt;
    }
    qCDebug(lcClipboard) << "clipboard text of at least" << announced << "bytes comes in chunks";
    QByteArray text;
    text.reserve(announced);
    // Deleting the announcement asks for the first chunk.
    xcb_delete_property(m_connection, m_window, m_property);
    for (;;) {
        xcb_generic_event_t *event = waitFor(
            [this](const xcb_generic_event_t *e) {
                if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                    return false;
                const auto *p = reinterpret_cast<const xcb_property_notify_event_t *>(e);
                return p->window == m_window && p->atom == m_property
                    && p->state == XCB_PROPERTY_NEW_VALUE;
            },
            Clock::now() + answerTimeout);
        if (!event)
            return std::nullopt;
        std::free(event);
        Xcb::Reply<xcb_get_property_reply_t> chunk(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 1, m_window, m_property, XCB_ATOM_ANY, 0, INT32_MAX / 4),
            nullptr));
        // A stale report of a property already gone.
        if (!chunk || chunk->type == XCB_ATOM_NONE)
            continue;
        const int length = xcb_get_property_value_length(chunk.get());
        if (length == 0)
            return text;
        if (text.size() + length > m_maxTextBytes)
            return std::nullopt;
        text.append(static_cast<const char *>(xcb_get_property_value(chunk.get())), length);
    }
}
