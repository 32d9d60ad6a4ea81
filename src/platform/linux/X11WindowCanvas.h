#pragma once

#include "platform/WindowCanvas.h"

#include <memory>

struct xcb_connection_t;

// A window canvas over MIT-SHM: one segment of our own, as large as the window, handed to the
// server as a file descriptor and put from on the toolkit's connection, so its puts and the
// toolkit's own requests for the window reach the server in the order they were made.
class X11WindowCanvas final : public WindowCanvas
{
public:
    // Null unless the server takes segments by descriptor (MIT-SHM 1.2) and ARGB as laid out in
    // memory, and `window` is 32 bits deep.
    static std::unique_ptr<X11WindowCanvas> create(xcb_connection_t *connection, quint32 window);
    ~X11WindowCanvas() override;

    bool put(const QImage &image, const QRegion &region) override;

private:
    X11WindowCanvas(xcb_connection_t *connection, quint32 window, quint32 segment, uchar *memory,
                    qsizetype size);

    xcb_connection_t *m_connection;
    quint32 m_window;
    quint32 m_segment;
    quint32 m_gc = 0;
    uchar *m_memory;
    qsizetype m_size;
    // The request whose reply says the server has read the last put; the segment is not
    // written again before.
    unsigned int m_readBack = 0;
    bool m_reading = false;
};
