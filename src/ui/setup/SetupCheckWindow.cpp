#include "ui/setup/SetupCheckWindow.h"

#include "platform/Platform.h"
#include "platform/UserDefaults.h"
#include "setup/SetupChecker.h"
#include "ui/setup/SetupCheckView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

SetupCheckWindow::SetupCheckWindow(SetupChecker &checker, UserDefaults &defaults, QObject *parent)
    : QObject(parent)
    , m_checker(checker)
    , m_defaults(defaults)
{ }

SetupCheckWindow::~SetupCheckWindow()
{
    delete m_window;
}

void SetupCheckWindow::show()
{
    if (!m_window) {
        // A tool window keeps the accessory program out of the taskbar; it still has a title
        // bar with close and minimize buttons.
        m_window = new QWidget(nullptr,
                               Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                                   | Qt::WindowMinimizeButtonHint);
        m_window->setWindowTitle(QStringLiteral("Kaidro Setup Check"));
        m_window->setFixedSize(kWidth, kHeight);
        m_window->setAccessibleName(QStringLiteral("Kaidro Setup Check"));
        m_view = new SetupCheckView(
            m_checker, [this] { close(); }, m_window);
        auto *layout = new QVBoxLayout(m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
        m_window->installEventFilter(this);
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame(0, 0, kWidth, kHeight);
            frame.moveCenter(screen->availableGeometry().center());
            m_window->move(frame.topLeft());
        }
    }
    m_checker.startLive();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void SetupCheckWindow::showIfFirstRun()
{
    if (m_defaults.boolean(seenKey).value_or(false))
        return;
    m_defaults.setValue(seenKey, true);
    show();
}

void SetupCheckWindow::close()
{
    if (m_window)
        m_window->close();
}

bool SetupCheckWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        m_checker.stopLive();
    return QObject::eventFilter(watched, event);
}
