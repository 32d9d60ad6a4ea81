#pragma once

#include <QObject>
#include <QString>

struct Platform;

// Owns what lives for the whole run and starts it in a fixed order on the main thread.
class AppDelegate final : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(Platform &platform, QObject *parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    // Registers every .ttf file in `folder` for this process; returns how many registered.
    static int registerFonts(const QString &folder);

private:
    Platform &m_platform;
    bool m_terminated = false;
};
