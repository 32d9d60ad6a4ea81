// kaidro-clip-source KIND FILE [SECONDS]
// Puts FILE's bytes on the clipboard as another app would and keeps them there until another
// client copies or SECONDS (5 by default) pass. KIND:
//   text     plain text
//   secret   plain text marked the way KeePassXC marks passwords (x-kde-passwordManagerHint)
//   binary   an image and an octet stream, no text
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: kaidro-clip-source text|secret|binary FILE [SECONDS]\n");
        return 2;
    }
    const QByteArray kind = argv[1];
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = file.readAll();
    const int seconds = argc > 3 ? QByteArray(argv[3]).toInt() : 5;

    auto *data = new QMimeData;
    if (kind == "binary") {
        data->setData(QStringLiteral("image/png"), bytes);
        data->setData(QStringLiteral("application/octet-stream"), bytes);
    } else {
        data->setText(QString::fromUtf8(bytes));
        if (kind == "secret")
            data->setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data);
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [clipboard] {
        if (!clipboard->ownsClipboard())
            QCoreApplication::quit();
    });
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
