#pragma once

#include <QString>

// One starred skill on the quick bar.
struct SlotSkill
{
    QString id;
    QString title;
    QString icon; // symbol name
};
