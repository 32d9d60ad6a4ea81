#pragma once

#include "ui/widgets/ReadoutScale.h"
#include "ui/widgets/TrackReadout.h"

#include <QWidget>
#include <optional>

namespace CoreWidgets {

class TransportButton;

// The music strip: the track's title over its artist and player, and three transport buttons.
// It draws itself at the readout scale, its buttons included.
class NowPlaying final : public QWidget, public ReadoutScale
{
    Q_OBJECT

public:
    static constexpr double plateTop = 6;
    static constexpr double plateHeight = 52;
    static constexpr double textLeading = 36;
    static constexpr double buttonSpacing = 4;
    static constexpr double buttonsTrailing = 14;

    explicit NowPlaying(QWidget *parent = nullptr);
    ~NowPlaying() override;

    // The non-empty ones of artist and app, joined with " · ".
    static QString subtitleFor(const TrackReadout &track);

    const std::optional<TrackReadout> &track() const { return m_track; }
    void setTrack(const std::optional<TrackReadout> &track);

    QString title() const;
    QString subtitle() const;
    QList<TransportButton *> buttons() const;
    // In points.
    QRectF plateRect() const;
    // The three buttons together, in this view's coordinates (pixels).
    QRectF controlsRect() const;

    QSize sizeHint() const override;

signals:
    void controlsMoved(const QRectF &rect);
    // A button was clicked: "previous track", "playpause" or "next track".
    void transport(const QString &command);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeButtons();

    std::optional<TrackReadout> m_track;
    TransportButton *m_previous;
    TransportButton *m_playPause;
    TransportButton *m_next;
};

} // namespace CoreWidgets
