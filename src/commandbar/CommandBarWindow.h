#pragma once

#include <QObject>
#include <QRectF>

class QWidget;

// The command bar's window as its controller sees it. Frames are in model coordinates (points,
// y up). Unlike the HUD's panels it takes keyboard focus, and it says when it loses it.
class CommandBarWindow : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~CommandBarWindow() override = default;

    virtual QRectF frame() const = 0;
    virtual void setFrame(const QRectF &frame) = 0;
    // Installs the view (the window takes it), or drops the current one with nullptr.
    virtual void setContent(QWidget *view) = 0;
    virtual bool hasContent() const = 0;
    // Maps the window at alpha 0, gives it keyboard focus and fades it in over `fadeDuration`.
    virtual void present(double fadeDuration) = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;

signals:
    // The window had keyboard focus and lost it.
    void resignedKey();
};
