#pragma once

#include <QString>

#include <functional>

// One starred skill on the quick bar.
struct SlotSkill
{
    QString id;
    QString title;
    QString icon; // symbol name
    std::function<void()> run;
};
