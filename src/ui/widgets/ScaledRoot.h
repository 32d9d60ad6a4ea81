#pragma once

#include <QPointer>
#include <QSizeF>
#include <QWidget>

class QGraphicsProxyWidget;
class QGraphicsScene;
class QGraphicsView;

// Hosts a view at a smaller (or larger) scale: the content is laid out at its unscaled `size`,
// drawn scaled by `scale` about its top-left corner, and this widget takes `size × scale`.
// Pointer positions reach the content divided by the scale, so a click lands on what is drawn
// under it.
class ScaledRoot final : public QWidget
{
    Q_OBJECT

public:
    // Takes ownership of `content`, which must not have a parent.
    ScaledRoot(QWidget *content, const QSizeF &size, double scale, QWidget *parent = nullptr);
    ~ScaledRoot() override;

    QWidget *content() const { return m_content; }
    QSizeF unscaledSize() const { return m_size; }
    double scale() const { return m_scale; }

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointer<QWidget> m_content;
    QSizeF m_size;
    double m_scale;
    QGraphicsScene *m_scene;
    QGraphicsView *m_view;
    QGraphicsProxyWidget *m_proxy;
};
