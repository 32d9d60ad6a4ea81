#pragma once

#include <QString>

// Where the program keeps its files and finds its read-only resources.
class AppPaths
{
public:
    virtual ~AppPaths() = default;

    // The program's data folder, created (owner-only) whenever it is asked for; empty when it
    // cannot be used safely.
    virtual QString dataFolder() const = 0;
    // The folder holding `sounds/` and `fonts/`; empty when none was found.
    virtual QString resourcesFolder() const = 0;

    // A file in the data folder; the folder exists when this returns. Empty when the folder is.
    QString dataFile(const QString &name) const;
};
