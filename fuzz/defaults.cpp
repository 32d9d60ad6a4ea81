#include "FuzzSupport.h"

#include "clipboard/ClipboardHistory.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/AtomicFile.h"
#include "platform/linux/JsonUserDefaults.h"
#include "skills/SkillBook.h"

#include <QJsonDocument>

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// The defaults file, with any type under any key, read as every store reads it; then one
// change written back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = Fuzz::bytes(data, size);
    const QString path = Fuzz::scratch() + QStringLiteral("/config/defaults.json");
    for (const QString &bad : AtomicFile::keptAside(path))
        QFile::remove(bad);
    Fuzz::write(path, input);
    const QJsonDocument doc = QJsonDocument::fromJson(input);
    const bool object = doc.isObject() || input.trimmed().isEmpty();

    {
        JsonUserDefaults defaults(path);
        Fuzz::require(AtomicFile::keptAside(path).isEmpty() == object,
                      "only a file that is no JSON object is kept aside");
        for (const QString &key : {HUDWidgetSettings::key, HUDLayoutStore::key,
                                   HUDSettings::menuIdleKey, HUDSettings::readoutIdleKey,
                                   ClipboardHistory::recordingKey, ClipboardHistory::ignoreKey,
                                   SkillBook::defaultsKey, QStringLiteral("Vantle.setupSeen")}) {
            (void)defaults.number(key);
            (void)defaults.boolean(key);
            (void)defaults.string(key);
            (void)defaults.stringList(key);
            (void)defaults.dictionary(key);
            (void)defaults.array(key);
        }
        HUDNotifications notifications;
        HUDWidgetSettings widgets(defaults, notifications);
        HUDLayoutStore layout(defaults);
        HUDSettings settings(defaults, notifications);
        for (HUDWidgetID id : HUDWidget::allCases()) {
            (void)widgets.isHidden(id);
            const QPointF offset = layout.offset(id);
            Fuzz::require(std::isfinite(offset.x()) && std::isfinite(offset.y()),
                          "offsets are finite");
        }
        (void)widgets.allHidden();
        const double menu = settings.menuIdle();
        const double readout = settings.readoutIdle();
        Fuzz::require(std::isfinite(menu) && std::isfinite(readout), "timings are finite");
        (void)HUDSettings::menuIdleLabel(menu);
        (void)HUDSettings::readoutIdleLabel(readout);
        (void)settings.cycleMenuIdle();
    }
    // The change was saved over what was there: the file is still one the next start reads.
    QFile file(path);
    Fuzz::require(file.open(QIODevice::ReadOnly), "the defaults file exists");
    Fuzz::require(QJsonDocument::fromJson(file.readAll()).isObject(),
                  "the saved defaults are a JSON object");
    return 0;
}
