#include "ui/menu/MenuTree.h"

#include "hud/HUDSettings.h"
#include "hud/HUDWidgetSettings.h"

#include <QHash>
#include <QStringList>

namespace {

MenuNode leaf(const char *title, const char *icon)
{
    return {QString::fromUtf8(title), QString::fromUtf8(icon), {}};
}

QList<MenuCategory> buildTree()
{
    const MenuNode items{QStringLiteral("Items"),
                         QStringLiteral("bag.fill"),
                         {leaf("Inventory", "shippingbox.fill"), leaf("Materials", "cube.fill"),
                          leaf("Use Item", "hand.raised.fill")}};
    const MenuNode skills{QStringLiteral("Skills"),
                          QStringLiteral("sparkles"),
                          {leaf("Shortcuts", "square.stack.3d.up.fill"),
                           leaf("Tessar Skills", "bolt.fill"), leaf("Extra Skills", "star.fill"),
                           leaf("Focus", "moon.fill")}};
    const MenuNode equipment{QStringLiteral("Equipment"),
                             QStringLiteral("shield.lefthalf.filled"),
                             {leaf("Loadouts", "rectangle.3.group.fill"),
                              leaf("Weapons", "figure.fencing"), leaf("Equipped", "shield.fill"),
                              leaf("Accessory", "seal.fill")}};
    const MenuNode widgets{
        QStringLiteral("Widgets"),
        QStringLiteral("square.grid.2x2.fill"),
        {leaf("HP Bar", "heart.fill"), leaf("Party Bars", "chart.bar.fill"),
         leaf("Clock", "clock.fill"), leaf("Cursor", "diamond.fill"), leaf("Music", "music.note"),
         leaf("Summary", "person.crop.rectangle.fill"), leaf("Quick Bar", "square.stack.fill"),
         leaf("Hide All", "eye.slash.fill"), leaf("Show All", "eye.fill")}};
    const MenuNode layout{QStringLiteral("Layout"),
                          QStringLiteral("square.dashed"),
                          {leaf("Edit Layout", "arrow.up.and.down.and.arrow.left.and.right"),
                           leaf("Reset Layout", "arrow.counterclockwise")}};
    return {
        {QStringLiteral("person.fill"), QStringLiteral("Character"), {items, skills, equipment}},
        {QStringLiteral("person.2.fill"),
         QStringLiteral("Friends"),
         {leaf("Party", "waveform.path.ecg"), leaf("Friend", "person.2.fill")}},
        {QStringLiteral("bubble.left.and.bubble.right.fill"),
         QStringLiteral("Communications"),
         {leaf("Message", "bubble.left.fill"), leaf("Mail", "envelope.fill")}},
        {QStringLiteral("mappin.and.ellipse"),
         QStringLiteral("Maps"),
         {leaf("Dungeon Map", "building.2.fill"), leaf("Field Map", "map.fill"),
          leaf("Quest", "flag.fill")}},
        {QStringLiteral("gearshape.fill"),
         QStringLiteral("Settings"),
         {leaf("Option", "slider.horizontal.3"), leaf("Auto-Hide", "timer"),
          leaf("Readouts", "gauge.with.dots.needle.33percent"), widgets, layout,
          leaf("Help", "questionmark"), leaf("Close Menu", "xmark.circle.fill"),
          leaf("Hide HUD", "eye.slash.fill"),
          leaf("Log Out", "rectangle.portrait.and.arrow.right")}},
    };
}

const QHash<QString, QString> &fixedDetails()
{
    static const QHash<QString, QString> table{
        {"Items", "Clipboard, system status and prompts"},
        {"Skills", "Your Shortcuts, local AI and focus"},
        {"Shortcuts", "Run your Apple Shortcuts and fill the quick bar"},
        {"Equipment", "Window layouts, your editor, background tools and VPN"},
        {"Loadouts", "Snap windows into zones, or save and restore a whole layout"},
        {"Inventory", "Clipboard history: re-copy, pin or clear your recent copies"},
        {"Materials", "Copy CPU, memory, battery and Ollama status"},
        {"Use Item", "Wrap the clipboard as an AI prompt"},
        {"Tessar Skills", "Wake Ollama and warm the model"},
        {"Extra Skills", "Unload Ollama models to free memory"},
        {"Focus", "Start or stop a 25 minute focus timer"},
        {"Weapons", "Open your code editor"},
        {"Equipped", "Check which background tools are running"},
        {"Accessory", "Open your VPN app"},
        {"Party", "Open Activity Monitor for the CPU, MEM and BAT party"},
        {"Friend", "Open Contacts"},
        {"Message", "Open Messages"},
        {"Mail", "Open Mail"},
        {"Dungeon Map", "Open your terminal"},
        {"Quest", "Open the live quest log"},
        {"Field Map", "Open ~/Projects"},
        {"Option", "Show hotkey and login-item status"},
        {"Widgets", "Show or hide each part of the HUD on its own"},
        {"Layout", "Arrange widgets on a grid and remember where they go"},
        {"Edit Layout", "Drag widgets; they snap to the grid, the margins and each other"},
        {"Reset Layout", "Put every widget back at its default spot"},
        {"Hide All", "Hide every widget and put the menu away"},
        {"Show All", "Bring back every hidden widget"},
        {"Help", "What every part of the HUD does"},
        {"Close Menu", "Put the menu away; the HUD readouts stay (Esc also works)"},
        {"Hide HUD", "Hide the whole HUD, readouts included"},
        {"Log Out", "Quit Kaidro"},
    };
    return table;
}

} // namespace

namespace MenuTree {

const QList<MenuCategory> &categories()
{
    static const QList<MenuCategory> tree = buildTree();
    return tree;
}

QString detailText(const QString &title, const MenuFacts &facts)
{
    if (title == QLatin1String("Readouts")) {
        return QStringLiteral("How long the HUD readouts stay after you summon them (")
            + facts.hudKeyText + QStringLiteral("). Now: ")
            + HUDSettings::readoutIdleLabel(facts.readoutIdle)
            + QStringLiteral(". Click to change.");
    }
    if (title == QLatin1String("Auto-Hide")) {
        return QStringLiteral("Put the menu away when the pointer has been away from it. Now: ")
            + HUDSettings::menuIdleLabel(facts.menuIdle) + QStringLiteral(". Click to change.");
    }
    if (const auto fixed = fixedDetails().constFind(title); fixed != fixedDetails().constEnd()) {
        if (title == QLatin1String("Party") && !facts.selfCost.isEmpty())
            return *fixed + QStringLiteral(". ") + facts.selfCost;
        return *fixed;
    }
    for (const HUDWidgetSettings::Toggleable &t : HUDWidgetSettings::toggleable()) {
        if (t.title != title)
            continue;
        const bool hidden = facts.hidden.contains(t.id);
        return title + QStringLiteral(" is ")
            + (hidden ? QStringLiteral("hidden") : QStringLiteral("shown"))
            + QStringLiteral(". Click to ")
            + (hidden ? QStringLiteral("show") : QStringLiteral("hide")) + QStringLiteral(" it.");
    }
    return title;
}

QString helpText(const MenuHotKeyTexts &keys)
{
    const QStringList lines{
        keys.hud + QStringLiteral(" shows or hides the readouts · ") + keys.menu
            + QStringLiteral(" summons the menu · ") + keys.commandBar
            + QStringLiteral(" command bar · Esc steps back"),
        QStringLiteral("Character: Items (clipboard, status), Skills (local AI, focus), "
                       "Equipment (editor, tools, VPN)"),
        QStringLiteral("Friends: Party opens Activity Monitor · Communications flashes when "
                       "Messages or Mail has unread"),
        QStringLiteral("Maps: iTerm, Projects, live Quest log"),
        QStringLiteral("Cursor: the window under your pointer, colored by its CPU load"),
        QStringLiteral("Slots: your open apps, click to switch"),
    };
    return lines.join(QLatin1Char('\n'));
}

std::optional<MenuAttention> attention(const QString &categoryTitle, std::optional<int> unread,
                                       std::optional<int> urgentQuests)
{
    if (categoryTitle == QLatin1String("Communications") && unread && *unread > 0) {
        return MenuAttention{*unread, categoryTitle + QStringLiteral(", needs attention"),
                             QString::number(*unread)
                                 + QStringLiteral(" unread in Messages and Mail")};
    }
    if (categoryTitle == QLatin1String("Maps") && urgentQuests && *urgentQuests > 0) {
        return MenuAttention{*urgentQuests, categoryTitle + QStringLiteral(", needs attention"),
                             QString::number(*urgentQuests)
                                 + QStringLiteral(" quest(s) need you now")};
    }
    return std::nullopt;
}

} // namespace MenuTree
