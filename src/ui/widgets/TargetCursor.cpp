#include "ui/widgets/TargetCursor.h"

#include "platform/Rounding.h"
#include "platform/WindowSprites.h"
#include "ui/AccessiblePainted.h"
#include "ui/CachedPaint.h"
#include "ui/CoreShadow.h"
#include "ui/CoreTheme.h"
#include "ui/widgets/CoreCursorDiamond.h"
#include "ui/widgets/EaseInOut.h"
#include "ui/widgets/ReadoutText.h"

#include <QPaintEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <map>

namespace {
constexpr double kNameSize = 13;
constexpr double kTierSize = 11;
constexpr double kDetailSize = 10;
constexpr double kBadgeSize = 9;
constexpr double kBadgeTracking = 1.5;
constexpr double kTextShadow = 0.5;
constexpr double kDetailOpacity = 0.9;
constexpr double kBadgeOpacity = 0.85;
constexpr double kPlateRadius = 8;
constexpr double kInlineGap = 8;
constexpr double kLineGap = 2;

const ThemeType kNameType{kNameSize, ThemeWeight::bold};
const ThemeType kTierType{kTierSize, ThemeWeight::bold};
const ThemeType kDetailType{kDetailSize, ThemeWeight::semibold};
const ThemeType kBadgeType{kBadgeSize, ThemeWeight::bold, kBadgeTracking};

const QString &npcBadge()
{
    static const QString text = QStringLiteral("NPC");
    return text;
}
} // namespace

namespace CoreWidgets {

TargetCursor::TargetCursor(TargetReadout target, QWidget *parent)
    : QWidget(parent)
    , m_target(std::move(target))
    , m_tint(tierColour(m_target.tier))
    , m_tintAnimation(new QVariantAnimation(this))
{
    setToolTip(QStringLiteral(
        "Color cursor for the window under your pointer. Green when the app is calm, red active, "
        "purple strong, crimson overwhelming, black lethal."));

    m_bobTimer.setSingleShot(true);
    m_bobTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_bobTimer, &QTimer::timeout, this, &TargetCursor::stepBob);

    m_tintAnimation->setDuration(int(tintSeconds * 1000));
    m_tintAnimation->setEasingCurve(easeInOutCurve());
    connect(m_tintAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        takeBackBob();
        m_tint = v.value<QColor>();
        update();
    });
    // The plate's words, read out even while only the diamond has room.
    AccessiblePainted::attach(this, [this] {
        const QRectF at = m_target.cramped ? diamondRect() : labelRect();
        QList<AccessibleItem> items{
            {QAccessible::StaticText, m_target.name, toolTip(), at},
            {QAccessible::StaticText, m_target.tierLabel, {}, at},
            {QAccessible::StaticText, detailText(m_target), {}, at},
        };
        if (m_target.isNPC)
            items.append({QAccessible::StaticText, npcBadge(), {}, at});
        return items;
    });
}

TargetCursor::~TargetCursor() = default;

QColor TargetCursor::tierColour(ThreatTier tier)
{
    switch (tier) {
    case ThreatTier::inactive:
    case ThreatTier::friendly:
        return CoreTheme::tierCalm();
    case ThreatTier::active:
        return CoreTheme::tierActive();
    case ThreatTier::strong:
        return CoreTheme::tierStrong();
    case ThreatTier::overwhelming:
        return CoreTheme::tierOverwhelming();
    case ThreatTier::lethal:
        return CoreTheme::tierLethal();
    }
    return CoreTheme::tierCalm();
}

QColor TargetCursor::tierLabelColour(ThreatTier tier)
{
    return tier == ThreatTier::lethal ? CoreTheme::tierActive() : tierColour(tier);
}

QString TargetCursor::detailText(const TargetReadout &target)
{
    return QString::asprintf("%.0f%% of a core  ·  %.1f GB", target.cpuPercent, target.memoryGB);
}

void TargetCursor::setTarget(const TargetReadout &target)
{
    const bool tierChanged = target.tier != m_target.tier;
    // The monitor publishes every second; most seconds change nothing on screen, or only the
    // detail line.
    const bool sameHead = target.name == m_target.name && target.tierLabel == m_target.tierLabel
        && target.isNPC == m_target.isNPC && target.cramped == m_target.cramped;
    const bool sameDetail = detailText(target) == detailText(m_target);
    const QRect plateBefore = toPixels(labelRect());
    m_target = target;
    m_layout.reset();
    if (tierChanged) {
        m_tintAnimation->stop();
        const QColor goal = tierColour(target.tier);
        if (isVisible()) {
            m_tintAnimation->setStartValue(m_tint);
            m_tintAnimation->setEndValue(goal);
            m_tintAnimation->start();
        } else {
            m_tint = goal;
        }
    }
    if (!sameHead || tierChanged) {
        update();
    } else if (!sameDetail) {
        // The plate is as wide as its longest line: a shorter detail narrows it.
        update(toPixels(labelRect()).united(plateBefore));
    }
}

const std::vector<TargetCursor::BobStep> &TargetCursor::bobSteps(double pixelsPerPoint)
{
    // One loop runs down and back up: phase 0 → 1 → 0, each half eased in and out, sampled
    // every millisecond for the moments the offset, rounded to whole pixels, changes. A few
    // scales are in use at a time (one per screen), each worked out once.
    static std::map<int, std::vector<BobStep>> loops;
    const int key = int(std::lround(pixelsPerPoint * 1000));
    auto found = loops.find(key);
    if (found != loops.end())
        return found->second;
    std::vector<BobStep> out;
    const QEasingCurve ease = easeInOutCurve();
    const double amplitude = bobAmplitude * pixelsPerPoint;
    const int half = int(bobSeconds * 1000);
    for (int ms = 0; ms < 2 * half; ++ms) {
        const double t = double(ms) / half;
        const double phase = ease.valueForProgress(t <= 1 ? t : 2 - t);
        const int offset = int(std::lround(-amplitude + 2 * amplitude * phase));
        if (out.empty() || out.back().offset != offset)
            out.push_back({ms, offset});
    }
    // The loop ends where it starts.
    if (out.size() > 1 && out.back().offset == out.front().offset)
        out.pop_back();
    return loops.emplace(key, std::move(out)).first->second;
}

void TargetCursor::setBob(bool bob)
{
    if (bob == m_bob)
        return;
    m_bob = bob;
    if (!bob && m_bobOffset != 0) {
        m_bobOffset = 0;
        update(toPixels(bobArea()));
    }
    runBob();
}

void TargetCursor::runBob()
{
    if (!m_bob || !isVisible()) {
        m_bobTimer.stop();
        if (m_playing) {
            // The loop stops wherever it is; the toolkit paints the diamond where it belongs.
            m_sprites->stop();
            m_playing = false;
            update(toPixels(bobArea()));
        }
        return;
    }
    if (m_playing)
        return;
    if (m_bobTimer.isActive())
        return;
    m_bobClock.start();
    stepBob();
}

TargetCursor::BobStep TargetCursor::bobStepNow() const
{
    const std::vector<BobStep> &steps = bobSteps(readoutScale() * devicePixelRatioF());
    const int at = int(m_bobClock.elapsed() % int(2 * bobSeconds * 1000));
    auto next = std::upper_bound(steps.begin(), steps.end(), at,
                                 [](int ms, const BobStep &s) { return ms < s.atMs; });
    return *std::prev(next);
}

void TargetCursor::stepBob()
{
    const double pixelsPerPoint = readoutScale() * devicePixelRatioF();
    const std::vector<BobStep> &steps = bobSteps(pixelsPerPoint);
    const int loop = int(2 * bobSeconds * 1000);
    const int at = int(m_bobClock.elapsed() % loop);
    auto next = std::upper_bound(steps.begin(), steps.end(), at,
                                 [](int ms, const BobStep &s) { return ms < s.atMs; });
    const double offset = std::prev(next)->offset / pixelsPerPoint;
    const int nextAt = next == steps.end() ? loop + steps.front().atMs : next->atMs;
    if (offset != m_bobOffset) {
        m_bobOffset = offset;
        // Painted at once: the timer has already woken the process, a posted repaint would
        // cost the event loop another round.
        if (!showSprite(std::prev(next)->offset))
            repaint(toPixels(bobArea()));
        else
            playBob();
    }
    if (!m_playing)
        m_bobTimer.start(nextAt - at);
}

void TargetCursor::playBob()
{
    if (m_playing || !m_sprites)
        return;
    std::vector<WindowSprites::Step> loop;
    for (const BobStep &step : bobSteps(readoutScale() * devicePixelRatioF()))
        loop.push_back({step.atMs, step.offset});
    // The loop's moments count from the same start as this widget's clock.
    const auto start
        = std::chrono::steady_clock::now() - std::chrono::nanoseconds(m_bobClock.nsecsElapsed());
    m_playing = m_sprites->play(loop, int(2 * bobSeconds * 1000), start, spriteOrigin());
    if (m_playing)
        m_bobTimer.stop();
}

void TargetCursor::takeBackBob()
{
    if (!m_playing)
        return;
    m_playing = false;
    m_sprites->stop();
    // Stepped here again from where the loop is, on the same clock.
    if (m_bob && isVisible())
        stepBob();
}

QPoint TargetCursor::spriteOrigin() const
{
    const QRect area = toPixels(bobArea()) & rect();
    return (QPointF(mapTo(window(), area.topLeft())) * devicePixelRatioF()).toPoint();
}

void TargetCursor::setSprites(SpriteMaker make)
{
    m_playing = false;
    m_makeSprites = std::move(make);
    m_sprites.reset();
    m_spritesWindow = 0;
}

TargetCursor::SpriteKey TargetCursor::spriteKey() const
{
    SpriteKey key{size(), readoutScale(), devicePixelRatioF(), m_tint, m_target.cramped};
    if (m_target.cramped)
        return key;
    // The frames hold the top of the plate and whatever text reaches up into them. The detail
    // changes every second and widens or narrows the plate with it; a frame changes only when
    // what it covers does. The margin takes in rounded corners, glyph overhang and shadows.
    const QRectF reach = bobArea().adjusted(-12, -12, 12, 12);
    const LabelLayout l = labelLayout();
    key.plate = l.plate & reach;
    if (l.name.intersects(reach)) {
        key.nameBox = l.name;
        key.name = m_target.name;
    }
    if (l.tier.intersects(reach)) {
        key.tierBox = l.tier;
        key.tierLabel = m_target.tierLabel;
        key.tier = m_target.tier;
    }
    if (m_target.isNPC && l.badge.intersects(reach))
        key.badgeBox = l.badge;
    if (l.detail.intersects(reach)) {
        key.detailBox = l.detail;
        key.detail = detailText(m_target);
    }
    return key;
}

bool TargetCursor::showSprite(int offset)
{
    // The tint eases through colours no frame would be drawn twice in.
    if (!m_makeSprites || m_tintAnimation->state() == QAbstractAnimation::Running)
        return false;
    QWidget *top = window();
    const quintptr id = top->internalWinId();
    if (!id)
        return false;
    if (id != m_spritesWindow) {
        m_playing = false;
        m_spritesWindow = id;
        m_sprites = m_makeSprites(id);
    }
    if (!m_sprites)
        return false;
    const SpriteKey key = spriteKey();
    if (key != m_spriteKey) {
        m_sprites->clear();
        m_spriteKey = key;
    }
    const QRect area = toPixels(bobArea()) & rect();
    if (area.isEmpty())
        return false;
    const double ratio = devicePixelRatioF();
    const QPoint at = spriteOrigin();
    // A frame not kept yet is drawn, kept and shown.
    if (m_sprites->show(offset, at))
        return true;
    QImage frame((QSizeF(area.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(ratio);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.translate(-area.topLeft());
    paintRegion(painter, QRegion(area));
    painter.end();
    return m_sprites->keep(offset, frame) && m_sprites->show(offset, at);
}

void TargetCursor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    runBob();
}

void TargetCursor::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    runBob();
}

void TargetCursor::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    takeBackBob();
}

void TargetCursor::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    takeBackBob();
}

QRectF TargetCursor::bobArea() const
{
    const double reach = CoreShadow::reach(CoreCursorDiamond::glowRadius) + 2;
    return diamondRect().adjusted(-reach, -reach - bobAmplitude, reach, reach + bobAmplitude);
}

QRectF TargetCursor::diamondRect() const
{
    return {(points(*this).width() - diamondSize.width()) / 2, diamondTop, diamondSize.width(),
            diamondSize.height()};
}

TargetCursor::LabelLayout TargetCursor::labelLayout() const
{
    // Worked out once per target and size: the bob repaints the plate a few times a second.
    if (!m_layout || m_layoutSize != size()) {
        m_layout = layOutLabel();
        m_layoutSize = size();
    }
    return *m_layout;
}

TargetCursor::LabelLayout TargetCursor::layOutLabel() const
{
    LabelLayout l;
    const QFont name = themeFont(kNameType);
    const QFont tier = themeFont(kTierType);
    const QFont detail = themeFont(kDetailType);
    const QFont badge = themeFont(kBadgeType);

    const double nameWidth = ReadoutText::width(m_target.name, name);
    const double tierWidth = ReadoutText::width(m_target.tierLabel, tier);
    const double badgeWidth = m_target.isNPC ? ReadoutText::width(npcBadge(), badge) : 0;
    const double detailWidth = ReadoutText::width(detailText(m_target), detail);
    const double maxText = points(*this).width() - 2 * labelPaddingH;
    const double firstLine
        = nameWidth + kInlineGap + tierWidth + (m_target.isNPC ? kInlineGap + badgeWidth : 0);
    const double textWidth = std::min(std::max(firstLine, detailWidth), maxText);

    const double firstHeight = ReadoutText::height(name);
    const double detailHeight = ReadoutText::height(detail);
    const double plateWidth = Rounding::ceil(textWidth + 2 * labelPaddingH);
    const double plateHeight
        = Rounding::ceil(firstHeight + kLineGap + detailHeight + 2 * labelPaddingV);
    const QRectF diamond = diamondRect();
    l.plate = QRectF((points(*this).width() - plateWidth) / 2, diamond.bottom() + spacing,
                     plateWidth, plateHeight);

    const double left = l.plate.left() + labelPaddingH;
    const double top = l.plate.top() + labelPaddingV;
    // The name gives way first when the line is too long.
    const double fixed = kInlineGap + tierWidth + (m_target.isNPC ? kInlineGap + badgeWidth : 0);
    const double nameRoom = std::max(0.0, std::min(nameWidth, textWidth - fixed));
    // Both lines are centred in the plate (grown to whole points), like the column they sit
    // in: where the name sits does not hang on the width of the detail line below it.
    const double inner = plateWidth - 2 * labelPaddingH;
    const double indent = std::max(0.0, (inner - nameRoom - fixed) / 2);
    l.name = QRectF(left + indent, top, nameRoom, firstHeight);
    l.tier = QRectF(l.name.right() + kInlineGap, top, tierWidth, firstHeight);
    if (m_target.isNPC)
        l.badge = QRectF(l.tier.right() + kInlineGap, top, badgeWidth, firstHeight);
    l.detail = QRectF(left, top + firstHeight + kLineGap, inner, detailHeight);
    return l;
}

QRectF TargetCursor::labelRect() const
{
    return m_target.cramped ? QRectF() : labelLayout().plate;
}

QRectF TargetCursor::tierLabelRect() const
{
    return m_target.cramped ? QRectF() : labelLayout().tier;
}

QSize TargetCursor::sizeHint() const
{
    return scaledHint({230, 120});
}

void TargetCursor::paintEvent(QPaintEvent *event)
{
    if (m_playing && spriteKey() != m_spriteKey)
        takeBackBob();
    if (m_playing) {
        // The loop plays elsewhere: the toolkit's copy shows the frame it is at, and the loop
        // covers the area again should its next step have gone out before these pixels.
        m_bobOffset = bobStepNow().offset / (readoutScale() * devicePixelRatioF());
        if (event->region().intersects(toPixels(bobArea())))
            m_sprites->reshow();
    }
    QPainter painter(this);
    paintRegion(painter, event->region());
}

void TargetCursor::paintRegion(QPainter &painter, const QRegion &region)
{
    beginPoints(painter);
    painter.setRenderHint(QPainter::Antialiasing);
    CoreCursorDiamond(m_tint).paint(painter, diamondRect().translated(0, m_bobOffset));
    if (m_target.cramped)
        return;

    const LabelLayout l = labelLayout();
    // A bob step repaints the diamond's area, which reaches over the top of the plate only.
    const auto asked
        = [&](const QRectF &r) { return region.intersects(toPixels(r).adjusted(-2, -2, 2, 2)); };
    if (!asked(l.plate))
        return;
    QPainterPath plate;
    plate.addRoundedRect(l.plate, kPlateRadius, kPlateRadius);
    CachedPaint::fillPath(painter, CachedPaint::measures(u"rounded", l.plate.size(), kPlateRadius),
                          plate, CoreTheme::panelShade());

    const QFont name = themeFont(kNameType);
    ReadoutText::draw(painter, l.name, Qt::AlignLeft,
                      ReadoutText::elided(m_target.name, name, l.name.width()), name, Qt::white,
                      kTextShadow);
    ReadoutText::draw(painter, l.tier, Qt::AlignLeft, m_target.tierLabel, themeFont(kTierType),
                      tierLabelColour(m_target.tier), kTextShadow);
    if (m_target.isNPC)
        ReadoutText::draw(painter, l.badge, Qt::AlignLeft, npcBadge(), themeFont(kBadgeType),
                          QColor::fromRgbF(1, 1, 1, float(kBadgeOpacity)));
    // The detail line's glyphs and shadow reach some ten points past its box.
    if (!asked(l.detail.adjusted(-10, -10, 10, 10)))
        return;
    const QFont detail = themeFont(kDetailType);
    ReadoutText::draw(painter, l.detail, Qt::AlignHCenter,
                      ReadoutText::elided(detailText(m_target), detail, l.detail.width()), detail,
                      QColor::fromRgbF(1, 1, 1, float(kDetailOpacity)), kTextShadow);
}

} // namespace CoreWidgets
