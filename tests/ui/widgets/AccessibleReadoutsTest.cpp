#include "WidgetTestSupport.h"

#include "ui/widgets/QuestLog.h"

#include <QAccessible>
#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace CoreWidgets;
using namespace WidgetTest;

namespace {

// The painted items of `view` as a screen reader lists them (after its child widgets).
QList<QAccessibleInterface *> items(QWidget &view)
{
    QAccessibleInterface *host = QAccessible::queryAccessibleInterface(&view);
    QList<QAccessibleInterface *> out;
    for (int i = 0; i < host->childCount(); ++i) {
        if (QAccessibleInterface *child = host->child(i); child && !child->object())
            out << child;
    }
    return out;
}

QAccessibleInterface *named(QWidget &view, const QString &name)
{
    for (QAccessibleInterface *item : items(view)) {
        if (item->text(QAccessible::Name) == name)
            return item;
    }
    return nullptr;
}

} // namespace

TEST(AccessibleReadouts, QuestRowsAndChecksCanBePressedEvenBelowTheCardAndPressLaterNotInside)
{
    Metrics metrics;
    QList<QuestReminder> reminders;
    for (const char *title : {"Water the plants", "Call Ada", "Pay rent"})
        reminders.append({QString(title).left(4), title, {}});
    QuestLog view(metrics.start(), [&](QuestInputs &in) {
        in.reminders = reminders;
        in.focus = QuestFocus{};
    });
    view.resize(360, 200); // room for two rows
    QStringList completed, asked;
    QObject::connect(&view, &QuestLog::reminderCompleted,
                     [&](const QString &id) { completed << id; });
    QObject::connect(&view, &QuestLog::actionRequested, [&](QuestAction) { asked << "run"; });

    QAccessibleInterface *check = named(view, "Mark complete: Water the plants");
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(view.rect().contains(check->rect().translated(-view.mapToGlobal(QPoint()))));
    check->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(completed.isEmpty()) << "the press waits for the event loop";
    QCoreApplication::processEvents();
    EXPECT_EQ(completed.join(u','), "Wate");

    // The focus row lies past the card's bottom: still listed and pressable, drawn nowhere.
    QAccessibleInterface *focus = named(view, "Start a 25 minute focus session");
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(focus->state().invisible);
    focus->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(asked.join(u','), "run");

    // Rows that move between the press and its turn: the check pressed is the one meant, not
    // the one now at its place; a check whose reminder has gone presses nothing.
    named(view, "Mark complete: Call Ada")->actionInterface()->doAction("Press");
    reminders.removeFirst();
    QCoreApplication::processEvents();
    EXPECT_EQ(completed.join(u','), "Wate,Call");
    named(view, "Mark complete: Pay rent")->actionInterface()->doAction("Press");
    reminders.clear();
    QCoreApplication::processEvents();
    EXPECT_EQ(completed.join(u','), "Wate,Call");
}
