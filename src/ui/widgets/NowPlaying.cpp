#include "ui/widgets/NowPlaying.h"

#include "ui/AccessiblePainted.h"
#include "ui/CoreShapes.h"
#include "ui/CoreTheme.h"
#include "ui/widgets/ReadoutText.h"
#include "ui/widgets/TransportButton.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr double kTitleSize = 14;
constexpr double kSubtitleSize = 10;
constexpr double kSubtitleOpacity = 0.85;
constexpr double kTextShadow = 0.35;
constexpr double kSkewDegrees = -30;
constexpr double kLineGap = 1;

double slant(double height)
{
    return skewSlope(-kSkewDegrees) * height;
}
} // namespace

namespace CoreWidgets {

NowPlaying::NowPlaying(QWidget *parent)
    : QWidget(parent)
    , m_previous(new TransportButton(QStringLiteral("backward.fill"), this))
    , m_playPause(new TransportButton(QStringLiteral("play.fill"), this))
    , m_next(new TransportButton(QStringLiteral("forward.fill"), this))
{
    connect(m_previous, &QAbstractButton::clicked, this,
            [this] { emit transport(QStringLiteral("previous track")); });
    connect(m_playPause, &QAbstractButton::clicked, this,
            [this] { emit transport(QStringLiteral("playpause")); });
    connect(m_next, &QAbstractButton::clicked, this,
            [this] { emit transport(QStringLiteral("next track")); });
    placeButtons();
    // The track's title and its artist and player, as they are written on the plate.
    AccessiblePainted::attach(this, [this] {
        QList<AccessibleItem> items;
        const QRect plate = toPixels(plateRect());
        for (const QString &text : {title(), subtitle()}) {
            if (!text.isEmpty())
                items.append({QAccessible::StaticText, text, {}, plate});
        }
        return items;
    });
}

NowPlaying::~NowPlaying() = default;

QString NowPlaying::subtitleFor(const TrackReadout &track)
{
    QStringList parts;
    for (const QString &part : {track.artist, track.app}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    return parts.join(QStringLiteral(" · "));
}

void NowPlaying::setTrack(const std::optional<TrackReadout> &track)
{
    m_track = track;
    m_playPause->setSymbol(m_track && m_track->isPlaying ? QStringLiteral("pause.fill")
                                                         : QStringLiteral("play.fill"));
    update();
}

QString NowPlaying::title() const
{
    return m_track ? m_track->title : QString();
}

QString NowPlaying::subtitle() const
{
    return m_track ? subtitleFor(*m_track) : QString();
}

QList<TransportButton *> NowPlaying::buttons() const
{
    return {m_previous, m_playPause, m_next};
}

QRectF NowPlaying::plateRect() const
{
    return {0, plateTop, points(*this).width() - slant(plateHeight), plateHeight};
}

QSize NowPlaying::sizeHint() const
{
    return scaledHint({400, 64});
}

void NowPlaying::resizeEvent(QResizeEvent *)
{
    placeButtons();
}

void NowPlaying::placeButtons()
{
    // The view is resized whenever its scale changes: the buttons follow both.
    const QRectF plate = plateRect();
    const double side = TransportButton::side;
    double x = plate.right() - buttonsTrailing - 3 * side - 2 * buttonSpacing;
    const double y = plate.center().y() - side / 2.0;
    // Whole pixels, every button as wide as the others.
    const int pixels = int(std::lround(side * readoutScale()));
    for (TransportButton *button : buttons()) {
        button->setScale(readoutScale());
        button->setGeometry(int(std::lround(x * readoutScale())),
                            int(std::lround(y * readoutScale())), pixels, pixels);
        x += side + buttonSpacing;
    }
    emit controlsMoved(controlsRect());
}

QRectF NowPlaying::controlsRect() const
{
    QRectF all;
    for (TransportButton *button : buttons())
        all |= QRectF(button->geometry());
    return all;
}

void NowPlaying::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    beginPoints(painter);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = plateRect();
    painter.fillPath(CoreSkewedRect(plate, kSkewDegrees), CoreTheme::panelShade());

    const QFont titleFont = themeFont(kTitleSize, ThemeWeight::bold);
    const QFont subtitleFont = themeFont(kSubtitleSize, ThemeWeight::semibold);
    const double textRight = toPoints(m_previous->geometry().topLeft()).x() - 10;
    const double textWidth = std::max(0.0, textRight - textLeading);
    const double titleHeight = ReadoutText::height(titleFont);
    const double subtitleHeight = ReadoutText::height(subtitleFont);
    const QString sub = subtitle();
    const double block = sub.isEmpty() ? titleHeight : titleHeight + kLineGap + subtitleHeight;
    const double top = plate.center().y() - block / 2;

    ReadoutText::draw(painter, QRectF(textLeading, top, textWidth, titleHeight), Qt::AlignLeft,
                      ReadoutText::elided(title(), titleFont, textWidth), titleFont, Qt::white,
                      kTextShadow);
    ReadoutText::draw(
        painter, QRectF(textLeading, top + titleHeight + kLineGap, textWidth, subtitleHeight),
        Qt::AlignLeft, ReadoutText::elided(sub, subtitleFont, textWidth), subtitleFont,
        QColor::fromRgbF(1, 1, 1, float(kSubtitleOpacity)), kTextShadow);
}

} // namespace CoreWidgets
