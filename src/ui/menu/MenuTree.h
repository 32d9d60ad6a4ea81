#pragma once

#include "hud/HUDWidgetID.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// One entry of the game menu below a category; a node with children only opens them.
struct MenuNode
{
    QString title;
    QString icon; // symbol name
    QList<MenuNode> children;
};

// One of the rail's round category buttons and the nodes it opens.
struct MenuCategory
{
    QString icon; // symbol name
    QString title;
    QList<MenuNode> nodes;
};

// The key combinations as the menu names them in its texts.
struct MenuHotKeyTexts
{
    QString hud;
    QString menu;
    QString commandBar;
};

// What the detail lines depend on that changes while the program runs.
struct MenuFacts
{
    // The widgets the user has hidden.
    QSet<HUDWidgetID> hidden;
    QString hudKeyText;
    double readoutIdle = 0;
    double menuIdle = 0;
    // "Kaidro itself: …", added to the Party entry's line; empty when not measured.
    QString selfCost;
};

// The categories with their marks on the rail: how many things wait, as reported by the
// services that count them (nothing when no service reports).
struct MenuAttention
{
    int count = 0;
    QString accessibleName;
    QString help;
};

namespace MenuTree {

// Character, Friends, Communications, Maps, Settings with their nodes, top to bottom.
const QList<MenuCategory> &categories();

// The line shown for an entry in the summary panel, which is also its help.
QString detailText(const QString &title, const MenuFacts &facts);

// Every part of the HUD in a few lines.
QString helpText(const MenuHotKeyTexts &keys);

// The mark a category carries: Communications for unread messages, Maps for urgent quests.
// Nothing while the count is missing or 0.
std::optional<MenuAttention> attention(const QString &categoryTitle, std::optional<int> unread,
                                       std::optional<int> urgentQuests);

} // namespace MenuTree
