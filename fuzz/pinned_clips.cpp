#include "FuzzSupport.h"

#include "clipboard/ClipboardHistory.h"
#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWorkspace.h"
#include "platform/AtomicFile.h"

namespace {

QList<ClipItem> pinned(const ClipboardHistory &history)
{
    QList<ClipItem> out;
    for (const ClipItem &item : history.items()) {
        if (item.pinned)
            out << item;
    }
    return out;
}

bool sameClips(const QList<ClipItem> &a, const QList<ClipItem> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].id != b[i].id || a[i].text != b[i].text || a[i].sourceApp != b[i].sourceApp
            || a[i].sourceBundle != b[i].sourceBundle || a[i].date != b[i].date)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// The pinned-clips file as the history reads it at start, and what the history writes back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = Fuzz::bytes(data, size);
    const FakeAppPaths paths(Fuzz::scratch() + QStringLiteral("/data"), QString());
    const QString file = paths.dataFile(ClipboardHistory::pinnedFileName);
    for (const QString &bad : AtomicFile::keptAside(file))
        QFile::remove(bad);
    Fuzz::write(file, input);

    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeUserDefaults defaults;
    FakeClock clock;
    ClipboardHistory history(pasteboard, workspace, defaults, paths, clock, 1);
    const QList<ClipItem> before = pinned(history);

    // A new copy pinned and let go saves the file: either what was read comes back whole, or
    // the file that could not be read is kept aside byte for byte.
    pasteboard.externalCopy(QStringLiteral("fuzz copy"));
    history.poll();
    for (int twice = 0; twice < 2; ++twice)
        history.togglePin(history.items().first().id);
    history.flushPinned();
    ClipboardHistory again(pasteboard, workspace, defaults, paths, clock, 1);
    if (const QStringList kept = AtomicFile::keptAside(file); !kept.isEmpty()) {
        QFile bad(kept.first());
        Fuzz::require(bad.open(QIODevice::ReadOnly) && bad.readAll() == input,
                      "an unreadable file is kept aside unchanged");
        Fuzz::require(before.isEmpty(), "a file kept aside gave no clips");
    } else {
        Fuzz::require(sameClips(pinned(again), before), "pinned clips survive a save");
    }
    return 0;
}
