#pragma once

#include "ui/widgets/ReadoutScale.h"
#include "ui/widgets/TargetReadout.h"

#include <QColor>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QVariantAnimation;
class WindowSprites;

namespace CoreWidgets {

// The target: a diamond in the target's tier colour and, when there is room, a plate naming
// the target with its tier and load.
class TargetCursor final : public QWidget, public ReadoutScale
{
    Q_OBJECT

public:
    static constexpr QSizeF diamondSize{26, 34};
    static constexpr double diamondTop = 10;
    static constexpr double spacing = 4;
    static constexpr double bobAmplitude = 3;
    static constexpr double bobSeconds = 1.3;
    static constexpr double tintSeconds = 0.4;
    static constexpr double labelPaddingH = 18;
    static constexpr double labelPaddingV = 9;

    explicit TargetCursor(TargetReadout target = {}, QWidget *parent = nullptr);
    ~TargetCursor() override;

    static QColor tierColour(ThreatTier tier);
    // The label's tier text colour: the tier colour, except that lethal (near black) is
    // written in the active red so it stays legible on the dark plate.
    static QColor tierLabelColour(ThreatTier tier);
    // "612% of a core  ·  1.2 GB"
    static QString detailText(const TargetReadout &target);

    const TargetReadout &target() const { return m_target; }
    // A changed tier eases the diamond to its new colour while the cursor is shown.
    void setTarget(const TargetReadout &target);

    bool bob() const { return m_bob; }
    // While set and shown, the diamond bobs up and down forever.
    void setBob(bool bob);
    double bobOffset() const { return m_bobOffset; }

    // One loop of the bob in whole device pixels, for a diamond drawn `pixelsPerPoint` pixels
    // to the point: the offset (in pixels) that starts at each moment, in milliseconds from the
    // top of the loop. The diamond is redrawn only at these moments.
    struct BobStep
    {
        int atMs;
        int offset;
    };
    static const std::vector<BobStep> &bobSteps(double pixelsPerPoint = 1.0);

    // Where the window system can keep frames for our window, each bob offset is drawn once
    // and copied in at its step; without, every step repaints the diamond's area.
    using SpriteMaker = std::function<std::unique_ptr<WindowSprites>(quintptr windowId)>;
    void setSprites(SpriteMaker make);
    QColor displayedTint() const { return m_tint; }

    // The diamond at rest and the label plate (empty while cramped), in this widget's
    // coordinates.
    QRectF diamondRect() const;
    QRectF labelRect() const;
    // Where the tier's label is written inside the plate.
    QRectF tierLabelRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    // Everything the widget draws inside `region` (pixels), at the current bob offset.
    void paintRegion(QPainter &painter, const QRegion &region);
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct LabelLayout
    {
        QRectF plate;
        QRectF name;
        QRectF tier;
        QRectF badge;
        QRectF detail;
    };
    LabelLayout labelLayout() const;
    LabelLayout layOutLabel() const;
    // Runs the bob's timer exactly while the diamond bobs on screen.
    void runBob();
    void stepBob();
    // The step of the bob in force now, at the current scale.
    BobStep bobStepNow() const;
    // Once every frame is kept, the sprites play the loop themselves and this widget sleeps.
    void playBob();
    // Takes the loop back from the sprites: its frames or their place are about to change.
    void takeBackBob();
    // Where the bob's area lands in the top-level window, in device pixels.
    QPoint spriteOrigin() const;
    // Everything the diamond and its glow cover over the whole bob, in points.
    QRectF bobArea() const;
    // Shows the bob at `offset` pixels from a kept frame; false when the step must repaint.
    bool showSprite(int offset);
    // What the frames of the bob's area are drawn from, besides the offset.
    struct SpriteKey
    {
        QSize size;
        double scale = 0;
        double pixelRatio = 0;
        QColor tint;
        bool cramped = false;
        // The parts of the label the frames reach, and the words drawn in them.
        QRectF plate, nameBox, tierBox, badgeBox, detailBox;
        QString name, tierLabel, detail;
        ThreatTier tier = ThreatTier::inactive;
        bool operator==(const SpriteKey &) const = default;
    };
    SpriteKey spriteKey() const;

    TargetReadout m_target;
    mutable std::optional<LabelLayout> m_layout;
    mutable QSize m_layoutSize;
    QColor m_tint;
    bool m_bob = false;
    double m_bobOffset = 0;
    QTimer m_bobTimer;
    QElapsedTimer m_bobClock;
    QVariantAnimation *m_tintAnimation;

    SpriteMaker m_makeSprites;
    std::unique_ptr<WindowSprites> m_sprites;
    quintptr m_spritesWindow = 0; // the window the sprites were made for, or refused by
    SpriteKey m_spriteKey;
    bool m_playing = false; // the sprites play the loop on their own
};

} // namespace CoreWidgets
