#include "FuzzSupport.h"

#include "fakes/FakeAppPaths.h"
#include "platform/AtomicFile.h"
#include "windows/LoadoutStore.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// The loadouts file as the store reads it, and what the store writes back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = Fuzz::bytes(data, size);
    const FakeAppPaths paths(Fuzz::scratch() + QStringLiteral("/data"), QString());
    LoadoutStore store(paths);
    for (const QString &bad : AtomicFile::keptAside(store.path()))
        QFile::remove(bad);
    Fuzz::write(store.path(), input);

    const QList<Loadout> read = store.load();
    const bool unreadable = store.foundUnreadable();
    Fuzz::require(store.save(read), "the loadouts save");
    if (unreadable) {
        QFile bad(AtomicFile::keptAside(store.path()).value(0));
        Fuzz::require(bad.open(QIODevice::ReadOnly) && bad.readAll() == input,
                      "an unreadable file is kept aside unchanged");
    }
    const QList<Loadout> again = store.load();
    Fuzz::require(!store.foundUnreadable(), "what was saved reads back");
    Fuzz::require(again == read, "the loadouts survive a save");
    return 0;
}
