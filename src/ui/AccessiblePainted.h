#pragma once

#include <QAccessible>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

class QAccessibleInterface;
class QWidget;

// One thing a view paints that a screen reader should find: a row, a check, a readout.
struct AccessibleItem
{
    QAccessible::Role role = QAccessible::StaticText;
    QString name;
    QString help;
    // Where it is drawn, in the view's coordinates; empty while it is scrolled out of sight.
    QRectF rect;
    // Offers the press action; otherwise it is read-only text.
    bool pressable = false;
    bool selected = false;
    // A gauge's current value and its maximum (the minimum is 0).
    std::optional<std::pair<double, double>> value;
};

// Gives a painted view's items to the accessibility tree as children of the view, each with
// its role, name, help and, where it can be pressed, the press action. The view keeps painting
// as before: attach() once in its constructor with the functions that list its items and press
// one. Assistive technology is told of rows that come, go or change whenever the view paints,
// which is whenever what it shows has changed; with no screen reader listening that costs
// nothing.
class AccessiblePainted final : public QObject
{
    Q_OBJECT

public:
    using Items = std::function<QList<AccessibleItem>()>;
    using Press = std::function<void(int index)>;

    // Owned by `view` (a child object, not a child widget).
    static AccessiblePainted *attach(QWidget *view, Items items, Press press = {});
    static AccessiblePainted *of(const QObject *view);

    ~AccessiblePainted() override;

    QWidget *view() const;
    // The items as last read; read on first use.
    const QList<AccessibleItem> &items();
    // Reads the items again and tells assistive technology what changed.
    void sync();
    // Presses item `index` as it was named `name` when the press was asked for.
    void press(int index, const QString &name);
    // The interface of item `index`, made and registered on first use; null past the end.
    QAccessibleInterface *itemInterface(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AccessiblePainted(QWidget *view, Items items, Press press);
    void trimInterfaces(int count, bool announce = true);

    Items m_items;
    Press m_press;
    std::optional<QList<AccessibleItem>> m_read;
    // Registered ids of the item interfaces, by index.
    QList<QAccessible::Id> m_ids;
};
