#pragma once

#include "ui/menu/MenuTree.h"

#include <QList>
#include <QRectF>
#include <QWidget>

class CoreSpringAnimation;
class MenuPaintedButton;
class QVariantAnimation;

namespace CoreWidgets {

// One column of rows on the menu rail: light plates under a soft shadow, the chosen row tinted
// gold, the tint springing from row to row. The widget is larger than its rows by `margin` on
// every side so the shadow is not clipped.
class MenuRailColumn final : public QWidget
{
    Q_OBJECT

public:
    static constexpr double width = 176;
    static constexpr double rowH = 46;
    static constexpr double rowGap = 2;
    static constexpr double margin = 12;

    explicit MenuRailColumn(QWidget *parent = nullptr);
    ~MenuRailColumn() override;

    // Replaces the rows.
    void setRows(const QList<MenuNode> &rows);
    const QList<MenuNode> &rows() const { return m_rows; }
    // The tinted row; springs there when `animated`.
    void setSelected(int index, bool animated);
    int selected() const { return m_selected; }
    void setRowHelp(int index, const QString &help, const QString &accessibleName);

    const QList<MenuPaintedButton *> &buttons() const { return m_buttons; }
    // The rows' height: rows × rowH with rowGap between them.
    static double heightFor(int rows);
    // Row `index` relative to the top-left of the first row.
    static QRectF rowRect(int index);

    // Puts the first row's top-left corner at `topLeft` in the parent's coordinates.
    void placeRows(const QPointF &topLeft);
    // The drawn rows in the parent's coordinates.
    QList<QRectF> rowRegions() const;

    // Slides in from the leading edge while fading in / fades out and hides.
    void appear(bool animated);
    void disappear(bool animated);
    bool leaving() const { return m_leaving; }

signals:
    void rowClicked(int index);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void applyAppearance(double progress);

    QList<MenuNode> m_rows;
    QList<MenuPaintedButton *> m_buttons;
    int m_selected = -1;
    bool m_leaving = false;
    QPointF m_rowsTopLeft;
    CoreSpringAnimation *m_tint;
    double m_progress = 1.0; // 0 gone, 1 in place
    QVariantAnimation *m_appear;
};

} // namespace CoreWidgets
