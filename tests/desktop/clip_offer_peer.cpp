// A stand-in for another program that copies several formats at once, as
// browsers and password managers do:
//   clip_offer_peer TYPE=FILE [TYPE=FILE ...]
// offers each MIME type with the bytes of its file on the clipboard, prints
// "ready" and serves until another program takes the clipboard.

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    auto *md = new QMimeData;
    for (const QString &arg : app.arguments().mid(1)) {
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return 2;
        QFile f(arg.mid(eq + 1));
        if (!f.open(QIODevice::ReadOnly))
            return 2;
        md->setData(arg.left(eq), f.readAll());
    }
    QClipboard *cb = QGuiApplication::clipboard();
    cb->setMimeData(md, QClipboard::Clipboard);
    QObject::connect(cb, &QClipboard::changed, &app, [cb](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !cb->ownsClipboard())
            QCoreApplication::quit();
    });
    // Announce only once the selection is really ours.
    QTimer::singleShot(0, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    return app.exec();
}
