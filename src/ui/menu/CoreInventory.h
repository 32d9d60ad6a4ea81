#pragma once

#include "clipboard/ClipItem.h"
#include "platform/Feedback.h"

#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class ClipboardHistory;
class MenuPaintedButton;
class QLineEdit;
class QMenu;
class QScrollArea;

namespace CoreWidgets {

// The clipboard pack: a search field over a grid of copied clips, pinned ones first. Clicking a
// tile copies it back; its context menu pastes, pins, deletes or stops recording its app.
class CoreInventory final : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize panelSize{424, 456};
    static constexpr int columns = 2;

    struct Inputs
    {
        // Empty: the current time.
        std::function<QDateTime()> now;
        // ICU locale for the relative dates; empty: the process's.
        QString locale;
    };

    explicit CoreInventory(ClipboardHistory &history, Inputs inputs = {},
                           QWidget *parent = nullptr);
    ~CoreInventory() override;

    QLineEdit *searchField() const { return m_search; }
    MenuPaintedButton *clearButton() const { return m_clear; }
    MenuPaintedButton *clearUnpinnedButton() const { return m_clearUnpinned; }
    MenuPaintedButton *recordingButton() const { return m_recording; }
    const QList<MenuPaintedButton *> &tiles() const { return m_tiles; }
    // The clips the tiles show, in order.
    const QList<ClipItem> &shown() const { return m_shown; }
    // What the grid says when it has no tiles; empty while it has some.
    QString emptyText() const;
    QString footerText() const;
    std::optional<QUuid> hovered() const { return m_hovered; }
    // The context menu of tile `index`, built afresh; the caller owns it.
    QMenu *actionsMenu(int index);

    QSize sizeHint() const override { return panelSize; }

    // The tick a tile plays when the pointer comes onto it.
    static constexpr float hoverVolume = 0.35f;

signals:
    // A sound to play, at `volume` (0 to 1): the hover tick, the cancel cue of a deletion.
    void cue(SoundCue cue, float volume = 1.0f);
    // A tile was clicked and its clip copied back.
    void copied();
    // "Paste" from a tile's menu: type the clip into the app in front.
    void pasteRequested(const ClipItem &clip);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void rebuild();
    void refreshFooter();
    QDateTime now() const;

    QPointer<ClipboardHistory> m_history;
    Inputs m_inputs;
    QLineEdit *m_search;
    MenuPaintedButton *m_clear;
    QScrollArea *m_scroll;
    QWidget *m_grid;
    MenuPaintedButton *m_clearUnpinned;
    MenuPaintedButton *m_recording;
    QList<MenuPaintedButton *> m_tiles;
    QList<ClipItem> m_shown;
    std::optional<QUuid> m_hovered;
};

} // namespace CoreWidgets
