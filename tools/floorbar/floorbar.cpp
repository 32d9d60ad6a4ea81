// A bare Qt bar, titled "Floor bar": a line edit over a stock list that shows the first nine of
// a thousand names containing what is typed. No styling, no icons, no ranking: what any Qt
// program pays between a keystroke and its repainted rows on this desktop.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList names;
    names.reserve(1000);
    const QStringList stems{"terminal", "editor", "browser",  "mail",  "music",
                            "photos",   "notes",  "calendar", "files", "settings"};
    for (int i = 0; i < 1000; ++i)
        names << QStringLiteral("%1 %2").arg(stems[i % stems.size()]).arg(i);

    QWidget bar;
    bar.setWindowTitle(QStringLiteral("Floor bar"));
    auto *layout = new QVBoxLayout(&bar);
    auto *field = new QLineEdit(&bar);
    auto *rows = new QListWidget(&bar);
    layout->addWidget(field);
    layout->addWidget(rows);
    QObject::connect(field, &QLineEdit::textChanged, rows, [&](const QString &text) {
        rows->clear();
        int shown = 0;
        for (const QString &name : names) {
            if (shown == 9)
                break;
            if (name.contains(text, Qt::CaseInsensitive)) {
                rows->addItem(name);
                ++shown;
            }
        }
    });
    emit field->textChanged(QString());
    bar.resize(560, 300);
    bar.move(440, 200);
    bar.show();
    bar.activateWindow();
    field->setFocus();
    return app.exec();
}
