#include "ui/AccessiblePainted.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <mutex>

namespace {

// One painted item. It holds its view's attachment and its index, and reads the item afresh on
// every question, so a row whose words change keeps its place in the tree.
class PaintedItemInterface final : public QAccessibleInterface,
                                   public QAccessibleActionInterface,
                                   public QAccessibleValueInterface
{
public:
    PaintedItemInterface(AccessiblePainted *owner, int index)
        : m_owner(owner)
        , m_index(index)
    { }

    int index() const { return m_index; }
    const AccessiblePainted *owner() const { return m_owner; }

    bool isValid() const override { return m_owner && m_index < m_owner->items().size(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return m_owner ? m_owner->view()->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_owner ? QAccessible::queryAccessibleInterface(m_owner->view()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return item().name;
        case QAccessible::Description:
        case QAccessible::Help:
            return item().help;
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString &) override { }

    QRect rect() const override
    {
        if (!isValid() || item().rect.isEmpty())
            return {};
        const QRect local = item().rect.toAlignedRect();
        return QRect(m_owner->view()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::Role role() const override
    {
        return isValid() ? item().role : QAccessible::NoRole;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const AccessibleItem &it = item();
        s.readOnly = !it.pressable;
        s.selectable = it.selected;
        s.selected = it.selected;
        s.invisible = it.rect.isEmpty() || !m_owner->view()->isVisible();
        s.offscreen = s.invisible;
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (!isValid())
            return nullptr;
        if (type == QAccessible::ActionInterface && item().pressable)
            return static_cast<QAccessibleActionInterface *>(this);
        if (type == QAccessible::ValueInterface && item().value)
            return static_cast<QAccessibleValueInterface *>(this);
        return nullptr;
    }

    QStringList actionNames() const override
    {
        return isValid() && item().pressable ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString &name) override
    {
        if (name != pressAction() || !isValid())
            return;
        // After the call that asked for it has been answered: pressing may close the view.
        QMetaObject::invokeMethod(
            m_owner, [owner = m_owner, i = m_index, name = item().name] { owner->press(i, name); },
            Qt::QueuedConnection);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    QVariant currentValue() const override
    {
        return isValid() && item().value ? QVariant(item().value->first) : QVariant();
    }
    void setCurrentValue(const QVariant &) override { }
    QVariant maximumValue() const override
    {
        return isValid() && item().value ? QVariant(item().value->second) : QVariant();
    }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }

private:
    const AccessibleItem &item() const { return m_owner->items().at(m_index); }

    QPointer<AccessiblePainted> m_owner;
    int m_index;
};

// The painted view itself: its child widgets first, then its items.
class PaintedHostInterface final : public QAccessibleWidget
{
public:
    PaintedHostInterface(QWidget *view, AccessiblePainted *owner)
        : QAccessibleWidget(view)
        , m_owner(owner)
    { }

    int childCount() const override
    {
        return QAccessibleWidget::childCount() + (m_owner ? int(m_owner->items().size()) : 0);
    }

    QAccessibleInterface *child(int index) const override
    {
        const int widgets = QAccessibleWidget::childCount();
        if (index < widgets)
            return QAccessibleWidget::child(index);
        return m_owner ? m_owner->itemInterface(index - widgets) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (const auto *item = dynamic_cast<const PaintedItemInterface *>(child))
            return item->owner() == m_owner ? QAccessibleWidget::childCount() + item->index() : -1;
        return QAccessibleWidget::indexOfChild(child);
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        if (m_owner) {
            const QPointF local = widget()->mapFromGlobal(QPoint(x, y));
            const QList<AccessibleItem> &items = m_owner->items();
            for (int i = 0; i < items.size(); ++i) {
                if (items[i].rect.contains(local))
                    return m_owner->itemInterface(i);
            }
        }
        return QAccessibleWidget::childAt(x, y);
    }

private:
    QPointer<AccessiblePainted> m_owner;
};

QAccessibleInterface *paintedFactory(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (AccessiblePainted *owner = AccessiblePainted::of(object))
        return new PaintedHostInterface(static_cast<QWidget *>(object), owner);
    return nullptr;
}

} // namespace

AccessiblePainted::AccessiblePainted(QWidget *view, Items items, Press press)
    : QObject(view)
    , m_items(std::move(items))
    , m_press(std::move(press))
{ }

AccessiblePainted *AccessiblePainted::attach(QWidget *view, Items items, Press press)
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(paintedFactory); });
    auto *owner = new AccessiblePainted(view, std::move(items), std::move(press));
    view->installEventFilter(owner);
    // Telling of a name set in the constructor before this line has already made the view a
    // plain interface (Qt makes one for every change it is told of, listened to or not): drop
    // it so the next question makes the one with the items.
    QAccessibleInterface *plain = QAccessible::queryAccessibleInterface(view);
    if (plain && !dynamic_cast<PaintedHostInterface *>(plain))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(plain));
    return owner;
}

AccessiblePainted *AccessiblePainted::of(const QObject *view)
{
    return view ? view->findChild<AccessiblePainted *>(QString(), Qt::FindDirectChildrenOnly)
                : nullptr;
}

AccessiblePainted::~AccessiblePainted()
{
    // The view is going: its own removal tells the listeners, and asking it now would not do.
    trimInterfaces(0, false);
}

QWidget *AccessiblePainted::view() const
{
    return static_cast<QWidget *>(parent());
}

const QList<AccessibleItem> &AccessiblePainted::items()
{
    // Without a listener nothing tells of changes, so every question reads the view afresh.
    if (!m_read || !QAccessible::isActive())
        m_read = m_items();
    return *m_read;
}

QAccessibleInterface *AccessiblePainted::itemInterface(int index)
{
    if (index < 0 || index >= items().size())
        return nullptr;
    while (m_ids.size() <= index)
        m_ids.append(0);
    if (!m_ids[index])
        m_ids[index]
            = QAccessible::registerAccessibleInterface(new PaintedItemInterface(this, index));
    return QAccessible::accessibleInterface(m_ids[index]);
}

void AccessiblePainted::press(int index, const QString &name)
{
    // The rows may have moved since the press was asked for: the item of that name is meant,
    // wherever it is now, and none if it has gone.
    const QList<AccessibleItem> now = m_items();
    if (index < 0 || index >= now.size() || now[index].name != name) {
        index = int(std::find_if(now.cbegin(), now.cend(),
                                 [&](const AccessibleItem &item) { return item.name == name; })
                    - now.cbegin());
    }
    if (m_press && index < now.size() && now[index].pressable)
        m_press(index);
}

void AccessiblePainted::trimInterfaces(int count, bool announce)
{
    while (m_ids.size() > count) {
        const QAccessible::Id id = m_ids.takeLast();
        if (!id)
            continue;
        QAccessibleInterface *gone = announce ? QAccessible::accessibleInterface(id) : nullptr;
        if (gone) {
            QAccessibleEvent destroyed(gone, QAccessible::ObjectDestroyed);
            QAccessible::updateAccessibility(&destroyed);
        }
        QAccessible::deleteAccessibleInterface(id);
    }
}

void AccessiblePainted::sync()
{
    if (!QAccessible::isActive()) {
        m_read.reset();
        return;
    }
    const QList<AccessibleItem> before = m_read.value_or(QList<AccessibleItem>());
    m_read = m_items();
    const QList<AccessibleItem> &now = *m_read;
    trimInterfaces(int(now.size()));
    // Only items a listener has seen have an interface to tell about.
    const int kept = int(std::min(before.size(), now.size()));
    for (int i = 0; i < std::min<int>(kept, int(m_ids.size())); ++i) {
        QAccessibleInterface *iface
            = m_ids[i] ? QAccessible::accessibleInterface(m_ids[i]) : nullptr;
        if (!iface)
            continue;
        const AccessibleItem &was = before[i], &is = now[i];
        if (was.name != is.name || was.role != is.role) {
            QAccessibleEvent named(iface, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&named);
        }
        if (was.help != is.help) {
            QAccessibleEvent described(iface, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&described);
        }
        if (is.value && was.value != is.value) {
            QAccessibleValueChangeEvent valued(iface, is.value->first);
            QAccessible::updateAccessibility(&valued);
        }
        if (was.selected != is.selected) {
            QAccessible::State changed;
            changed.selected = true;
            QAccessibleStateChangeEvent selected(iface, changed);
            QAccessible::updateAccessibility(&selected);
        }
    }
    for (int i = kept; i < now.size(); ++i) {
        QAccessibleEvent created(itemInterface(i), QAccessible::ObjectCreated);
        QAccessible::updateAccessibility(&created);
    }
}

bool AccessiblePainted::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Paint && QAccessible::isActive())
        sync();
    return QObject::eventFilter(watched, event);
}
