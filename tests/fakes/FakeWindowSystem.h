#pragma once

#include "platform/WindowSystem.h"

#include <QHash>
#include <QList>

// Windows set by the test; frames are moved exactly where asked.
class FakeWindowSystem final : public WindowSystem
{
public:
    bool trust = true;
    bool composited = true;
    mutable QList<quintptr> prepared;

    // Front to back; nothing = the list cannot be read.
    std::optional<QList<WindowInfo>> windows = QList<WindowInfo>{};
    mutable int listReads = 0;
    QHash<pid_t, QList<quint32>> standard;
    QHash<pid_t, quint32> focused;
    QHash<quint32, QRectF> frames;
    QList<quint32> raised;
    QList<QPair<quint32, QRectF>> moves;
    int pasteKeystrokes = 0;
    QList<quintptr> activatedOwn;

    bool trusted() const override { return trust; }
    bool compositing() const override { return composited; }
    Qt::WindowFlags panelWindowFlags(PanelRole) const override { return {}; }
    void preparePanel(quintptr windowId) const override { prepared << windowId; }
    std::optional<QList<WindowInfo>> windowList() const override
    {
        ++listReads;
        return windows;
    }
    QList<quint32> standardWindows(pid_t pid) const override { return standard.value(pid); }
    std::optional<quint32> focusedWindow(pid_t pid) const override
    {
        const auto it = focused.constFind(pid);
        return it == focused.constEnd() ? std::nullopt : std::optional<quint32>(*it);
    }
    std::optional<QRectF> windowFrame(quint32 window) const override
    {
        const auto it = frames.constFind(window);
        return it == frames.constEnd() ? std::nullopt : std::optional<QRectF>(*it);
    }
    bool setWindowFrame(quint32 window, const QRectF &frame) override
    {
        moves.append({window, frame});
        frames.insert(window, frame);
        return true;
    }
    bool sendPasteKeystroke() override
    {
        ++pasteKeystrokes;
        return trust;
    }
    bool activateOwnWindow(quintptr windowId) override
    {
        activatedOwn << windowId;
        return true;
    }
    bool raiseWindow(quint32 window) override
    {
        raised << window;
        return true;
    }
};
