#pragma once

#include "platform/Feedback.h"
#include "skills/SkillBook.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class HUDActionService;
class MenuPaintedButton;
class QScrollArea;

namespace CoreWidgets {

// The skills list: the built-in skills, the loadouts and the user's Shortcuts in three
// sections. A row runs its skill; its star puts it on the quick bar or takes it off.
class CoreSkills final : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize panelSize{424, 456};
    static constexpr double rowHeight = 50;
    static constexpr double rowGap = 4;

    // `actions` gives the focus session's live label; it may be missing.
    explicit CoreSkills(SkillBook &book, HUDActionService *actions = nullptr,
                        QWidget *parent = nullptr);
    ~CoreSkills() override;

    static QString sideText();
    // "3 Shortcuts · 2 on the bar".
    QString countsText() const;
    // One row per skill, in the book's order, with its star button.
    const QList<MenuPaintedButton *> &rows() const { return m_rows; }
    const QList<MenuPaintedButton *> &stars() const { return m_stars; }
    const QList<QString> &rowIDs() const { return m_rowIDs; }
    MenuPaintedButton *reloadButton() const { return m_reload; }
    MenuPaintedButton *shortcutsAppButton() const { return m_shortcutsApp; }
    // The texts of the sections that are empty, in order.
    QStringList emptyTexts() const;
    // What a row shows under the title: the detail, or the focus countdown while it runs.
    QString rowDetail(const SkillBook::Skill &skill) const;
    bool isRunning(const QString &id) const;

    QSize sizeHint() const override { return panelSize; }

    // The tick a row plays when the pointer comes onto it.
    static constexpr float hoverVolume = 0.35f;

signals:
    // A sound to play, at `volume` (0 to 1).
    void cue(SoundCue cue, float volume = 1.0f);
    // The "Shortcuts app" button: the folder the Shortcuts live in.
    void shortcutsFolderRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    class List;

    void rebuild();
    void layoutControls();
    void paintRow(QPainter &painter, const QRectF &bounds, const SkillBook::Skill &skill,
                  bool hovered) const;

    QPointer<SkillBook> m_book;
    QPointer<HUDActionService> m_actions;
    MenuPaintedButton *m_reload;
    MenuPaintedButton *m_shortcutsApp;
    QScrollArea *m_scroll;
    List *m_list;
    QList<MenuPaintedButton *> m_rows;
    QList<MenuPaintedButton *> m_stars;
    QList<QString> m_rowIDs;
};

} // namespace CoreWidgets
