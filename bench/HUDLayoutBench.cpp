#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "platform/UserDefaults.h"

#include <benchmark/benchmark.h>

#include <QVariantMap>

namespace {
class MemoryDefaults final : public UserDefaults
{
public:
    QVariant value(const QString &key) const override { return m_values.value(key); }
    void setValue(const QString &key, const QVariant &v) override { m_values.insert(key, v); }
    void remove(const QString &key) override { m_values.remove(key); }

private:
    QVariantMap m_values;
};
} // namespace

// Placing every panel: what the controller does on each show and each screen change.
static void BM_PlaceAllWidgets(benchmark::State &state)
{
    MemoryDefaults defaults;
    HUDLayoutStore store(defaults);
    store.setOffset(HUDWidgetID::summaryPanel, -40, 16);
    const ScreenInfo screen{QStringLiteral("s"), QRectF(0, 0, 2560, 1440),
                            QRectF(0, 0, 2560, 1415)};
    for (auto _ : state) {
        for (const WidgetSpec &spec : HUDLayout::specs())
            benchmark::DoNotOptimize(HUDLayout::origin(spec, screen, store));
    }
}
BENCHMARK(BM_PlaceAllWidgets);
