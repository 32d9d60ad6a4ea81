#pragma once

#include "platform/WindowCanvas.h"
#include "platform/WindowSystem.h"

#include <QHash>
#include <QList>

#include <functional>

// Windows set by the test; frames are moved exactly where asked.
class FakeWindowSystem final : public WindowSystem
{
public:
    bool trust = true;

    // Front to back; nothing = the list cannot be read.
    std::optional<QList<WindowInfo>> windows = QList<WindowInfo>{};
    mutable int listReads = 0;
    QHash<pid_t, QList<quint32>> standard;
    QHash<pid_t, quint32> focused;
    QHash<quint32, QRectF> frames;
    QList<quint32> raised;
    QList<QPair<quint32, QRectF>> moves;
    int pasteKeystrokes = 0;
    // The parts of our windows asked to take presses; nothing = input cannot be cut.
    std::optional<QList<QRect>> inputCuts = QList<QRect>{};

    // Where set, every window gets a canvas whose puts this answers.
    std::function<bool(const QImage &, const QRegion &)> canvasPut;

    std::unique_ptr<WindowCanvas> canvas(quintptr) const override
    {
        struct Canvas final : WindowCanvas
        {
            std::function<bool(const QImage &, const QRegion &)> to;
            bool put(const QImage &image, const QRegion &region) override
            {
                return to(image, region);
            }
        };
        auto canvas = std::make_unique<Canvas>();
        canvas->to = canvasPut;
        return canvasPut ? std::move(canvas) : nullptr;
    }
    bool trusted() const override { return trust; }
    bool compositing() const override { return true; }
    Qt::WindowFlags panelWindowFlags(PanelRole) const override { return {}; }
    void preparePanel(quintptr) const override { }
    std::optional<QList<WindowInfo>> windowList() const override
    {
        ++listReads;
        return windows;
    }
    QList<quint32> standardWindows(pid_t pid) const override { return standard.value(pid); }
    std::optional<quint32> focusedWindow(pid_t pid) const override
    {
        return focused.contains(pid) ? std::optional(focused.value(pid)) : std::nullopt;
    }
    std::optional<QRectF> windowFrame(quint32 window) const override
    {
        return frames.contains(window) ? std::optional(frames.value(window)) : std::nullopt;
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
    bool activateOwnWindow(quintptr) override { return true; }
    void stackUnder(quintptr, quintptr) override { }
    bool cutInput(quintptr, const QRect &rect) override
    {
        if (inputCuts)
            inputCuts->append(rect);
        return inputCuts.has_value();
    }
    bool raiseWindow(quint32 window) override
    {
        raised << window;
        return true;
    }
};
