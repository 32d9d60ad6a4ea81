#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class SetupCheckView;
class SetupChecker;
class UserDefaults;

// The window around the setup check: created on first show and kept for the rest of the run.
// While it is open the checker refreshes every two seconds; closing it stops that.
class SetupCheckWindow final : public QObject
{
    Q_OBJECT
public:
    static inline const QString seenKey = QStringLiteral("Vantle.setupSeen");
    static constexpr int kWidth = 540;
    static constexpr int kHeight = 600;

    SetupCheckWindow(SetupChecker &checker, UserDefaults &defaults, QObject *parent = nullptr);
    ~SetupCheckWindow() override;

    // Creates the window once, starts the live refresh and brings the window to the front.
    void show();
    // Shows the window only if it has never been shown by itself before, and remembers that.
    void showIfFirstRun();
    void close();

    // Null until the first show().
    QWidget *window() const { return m_window; }
    SetupCheckView *view() const { return m_view; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SetupChecker &m_checker;
    UserDefaults &m_defaults;
    QPointer<QWidget> m_window;
    SetupCheckView *m_view = nullptr;
};
