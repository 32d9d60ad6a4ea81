#pragma once

#include <QImage>
#include <QSize>

#include <memory>

struct wl_buffer;
struct wl_shm;

// One ARGB buffer in shared memory (a sealed memfd) that the compositor reads our pixels from.
// `busy` from the moment it is attached until the compositor releases it; only a free buffer
// is drawn into.
class WaylandShmBuffer final
{
public:
    // Null when the memory cannot be had.
    static std::unique_ptr<WaylandShmBuffer> create(wl_shm *shm, QSize size);
    ~WaylandShmBuffer();
    WaylandShmBuffer(const WaylandShmBuffer &) = delete;
    WaylandShmBuffer &operator=(const WaylandShmBuffer &) = delete;

    wl_buffer *buffer() const { return m_buffer; }
    QSize size() const { return m_image.size(); }
    // The pixels, premultiplied ARGB32 as the compositor's ARGB8888 reads them.
    QImage &image() { return m_image; }
    bool busy() const { return m_busy; }
    void setBusy() { m_busy = true; }

    // The compositor is done reading the buffer.
    static void released(void *data, wl_buffer *buffer);

private:
    WaylandShmBuffer() = default;

    wl_buffer *m_buffer = nullptr;
    void *m_memory = nullptr;
    size_t m_bytes = 0;
    QImage m_image;
    bool m_busy = false;
};
