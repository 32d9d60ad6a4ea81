#pragma once

#include "platform/SystemInfo.h"

#include <QByteArray>

// The distribution from os-release(5); the session from the environment and Qt's platform.
class LinuxSystemInfo final : public SystemInfo
{
public:
    // `nativeWayland`: Kaidro talks to the Wayland compositor itself (Qt runs offscreen).
    explicit LinuxSystemInfo(bool nativeWayland = false)
        : m_nativeWayland(nativeWayland)
    { }

    QString prettyName() const override;
    SessionKind sessionKind() const override;

    // PRETTY_NAME of an os-release file's contents, unquoted; empty when it has none.
    static QString prettyNameOf(const QByteArray &osRelease);

private:
    const bool m_nativeWayland;
};
