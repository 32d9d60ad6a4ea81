#pragma once

#include <QObject>

// Whether the HUD panels are on screen. Only the panel controller writes it; the readout
// services start and stop polling on `visibleChanged`.
class HUDVisibility final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool visible READ visible WRITE setVisible NOTIFY visibleChanged)
public:
    using QObject::QObject;

    bool visible() const { return m_visible; }
    void setVisible(bool visible)
    {
        if (visible == m_visible)
            return;
        m_visible = visible;
        emit visibleChanged(visible);
    }

signals:
    void visibleChanged(bool visible);

private:
    bool m_visible = false;
};
