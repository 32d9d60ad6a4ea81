#include "platform/wayland/WaylandShmBuffer.h"

#include <wayland-client.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {
const wl_buffer_listener kBufferListener{&WaylandShmBuffer::released};
} // namespace

std::unique_ptr<WaylandShmBuffer> WaylandShmBuffer::create(wl_shm *shm, QSize size)
{
    if (size.isEmpty())
        return nullptr;
    const int stride = size.width() * 4;
    const size_t bytes = size_t(stride) * size_t(size.height());
    const int fd = ::memfd_create("kaidro-panel", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return nullptr;
    if (::ftruncate(fd, off_t(bytes)) != 0) {
        ::close(fd);
        return nullptr;
    }
    // The compositor may rely on the size: it can no longer shrink under it.
    ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_SEAL);
    void *memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<WaylandShmBuffer> out(new WaylandShmBuffer);
    out->m_memory = memory;
    out->m_bytes = bytes;
    wl_shm_pool *pool = wl_shm_create_pool(shm, fd, int32_t(bytes));
    out->m_buffer = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(), stride,
                                              WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    ::close(fd);
    wl_buffer_add_listener(out->m_buffer, &kBufferListener, out.get());
    out->m_image = QImage(static_cast<uchar *>(memory), size.width(), size.height(), stride,
                          QImage::Format_ARGB32_Premultiplied);
    return out;
}

WaylandShmBuffer::~WaylandShmBuffer()
{
    if (m_buffer)
        wl_buffer_destroy(m_buffer);
    if (m_memory)
        ::munmap(m_memory, m_bytes);
}

void WaylandShmBuffer::released(void *data, wl_buffer *)
{
    static_cast<WaylandShmBuffer *>(data)->m_busy = false;
}
