#pragma once

#include "platform/WindowSprites.h"

#include <QHash>
#include <QSize>

#include <memory>

struct xcb_connection_t;

// Sprites as server-side pixmaps of a 32-bit (translucent) window, copied in with CopyArea.
class X11WindowSprites final : public WindowSprites
{
public:
    // Null unless `window` is a 32-bit window on a server that takes our ARGB pixels as they
    // are laid out in memory.
    static std::unique_ptr<X11WindowSprites> create(xcb_connection_t *connection, quint32 window);
    ~X11WindowSprites() override;

    bool keep(int index, const QImage &image) override;
    bool show(int index, QPoint at) override;
    void clear() override;

private:
    X11WindowSprites(xcb_connection_t *connection, quint32 window);
    struct Pixmap
    {
        quint32 id = 0;
        QSize size;
    };
    // The connection closes with the application; nothing is sent after that.
    bool connected() const;

    xcb_connection_t *m_connection;
    quint32 m_window;
    quint32 m_gc = 0;
    QHash<int, Pixmap> m_pixmaps;
};
