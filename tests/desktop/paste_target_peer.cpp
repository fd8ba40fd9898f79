// A stand-in for another program that receives typed keys and pastes:
//   paste_target_peer [TITLE] [--multi]
// shows one window titled TITLE (default "Paste target") with a focused
// single-line edit, or a multi-line one with --multi. Once the window is on
// the screen it prints "WINID <decimal id of the top-level window>", then
// "TEXT <text>" at every change, with backslashes and line breaks escaped
// as \\ and \n so that each report is one line.

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace {

void report(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void reportText(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    report("TEXT " + escaped.toUtf8());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString title = QStringLiteral("Paste target");
    bool multi = false;
    for (const QString &arg : app.arguments().mid(1)) {
        if (arg == QLatin1String("--multi"))
            multi = true;
        else
            title = arg;
    }

    QWidget window;
    window.setWindowTitle(title);
    window.resize(400, 200);
    auto *layout = new QVBoxLayout(&window);
    QWidget *editor;
    if (multi) {
        auto *edit = new QPlainTextEdit;
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit] { reportText(edit->toPlainText()); });
        editor = edit;
    } else {
        auto *edit = new QLineEdit;
        QObject::connect(edit, &QLineEdit::textChanged, edit, &reportText);
        editor = edit;
    }
    layout->addWidget(editor);
    window.show();
    editor->setFocus();

    // The id is announced only once the window manager has put the window
    // on the screen, so that a test can work with it straight away.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (window.windowHandle() && window.windowHandle()->isExposed()) {
            poll.stop();
            report("WINID " + QByteArray::number(quint64(window.winId())));
        }
    });
    poll.start(10);
    return app.exec();
}
