#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The running copy's door for commands sent by other processes, such as `Vantle menu` typed in a
// terminal or bound to a key by the desktop.
class RemoteControl
{
public:
    virtual ~RemoteControl() = default;

    // Starts taking the named commands. `handler` gets each one on the main thread, after the
    // sender has had its answer, so a command that takes a while never holds the sender up.
    // False, with the reason in `error`, when no other process can reach this one.
    virtual bool listen(const QStringList &commands,
                        std::function<void(const QString &command)> handler, QString *error)
        = 0;

    // Answers the named query (`Vantle stats`) with the text `answer` makes on the main thread.
    // Queries are listed with the commands once `listen` runs.
    virtual void answer(const QString &query, std::function<QString()> answer) = 0;
};
