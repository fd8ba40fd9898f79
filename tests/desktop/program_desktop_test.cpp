// The real program runs as a child on the X display with a home of its own.
// Other programs copy (xclip, clip_offer_peer); each copy becomes one row of
// the database. Selecting rows with the keyboard puts them back on the
// clipboard, where xclip reads them. The program is closed as a user closes
// it and started again: the clips and the window's place and size are kept.

#include "desktop_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

using namespace desktoptest;

namespace {

constexpr int ProgramTimeoutMs = 20000;

class ProgramDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::onXDisplay());
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(work.isValid());
        const QDir root(home.path());
        for (const char *sub : {"data", "config", "cache", "runtime"})
            ASSERT_TRUE(root.mkpath(QString::fromLatin1(sub)));
        ASSERT_TRUE(QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        dataDir = root.filePath(QStringLiteral("data/Stashwell"));
        dbPath = dataDir + QStringLiteral("/Default Category.db");
        iniPath = dataDir + QStringLiteral("/settings.ini");
    }

    void TearDown() override
    {
        stop(program);
        for (auto &p : peers)
            stop(p);
    }

    static void stop(std::unique_ptr<QProcess> &p)
    {
        if (p && p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(2000);
        }
        p.reset();
    }

    QString programOutput() const
    {
        return program ? QString::fromLocal8Bit(program->readAllStandardError() + program->readAllStandardOutput())
                       : QString();
    }

    // Starts the program and waits for its main window and its database;
    // answers the window's id.
    QString startProgram()
    {
        program = std::make_unique<QProcess>();
        program->setProcessEnvironment(env);
        program->start(QStringLiteral(STASHWELL_PROGRAM), {});
        if (!program->waitForStarted(ProcessTimeoutMs)) {
            ADD_FAILURE() << "the program did not start: " << program->errorString().toStdString();
            return {};
        }
        QString id;
        const bool shown = testsupport::waitUntil(
            [&] {
                id = visibleWindow(QStringLiteral("^Stashwell 2\\.4$"));
                return !id.isEmpty() || program->state() == QProcess::NotRunning;
            },
            ProgramTimeoutMs);
        if (!shown || id.isEmpty()) {
            ADD_FAILURE() << "no main window; program output: " << programOutput().toStdString();
            return {};
        }
        EXPECT_TRUE(testsupport::waitUntil([&] { return QFile::exists(dbPath); }, ProgramTimeoutMs))
            << dbPath.toStdString();
        return id;
    }

    // Closes the program as a user does, through the window manager, so
    // that it goes through its normal shutdown; expects a clean exit.
    void closeProgram(const QString &window)
    {
        activate(window);
        EXPECT_EQ(xdotool({QStringLiteral("key"), QStringLiteral("alt+F4")}).exitCode, 0);
        ASSERT_TRUE(testsupport::waitUntil([&] { return program->state() == QProcess::NotRunning; }, ProgramTimeoutMs))
            << "the program did not exit after alt+F4";
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 0) << programOutput().toStdString();
    }

    // The id of the one visible window whose name matches the pattern, or
    // empty.
    static QString visibleWindow(const QString &namePattern)
    {
        const Finished f = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                    namePattern});
        const QByteArrayList ids = testsupport::nonEmptyLines(f.out);
        return f.exitCode == 0 && ids.size() == 1 ? QString::fromLatin1(ids.first()) : QString();
    }

    static void activate(const QString &window)
    {
        EXPECT_EQ(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}).exitCode, 0);
    }

    static void pressKey(const QString &key)
    {
        EXPECT_EQ(xdotool({QStringLiteral("key"), key}).exitCode, 0) << key.toStdString();
    }

    // The window as xdotool sees it; an empty rectangle when it cannot say.
    static QRect geometry(const QString &window)
    {
        const Finished f = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
        QMap<QByteArray, int> v;
        for (const QByteArray &line : testsupport::nonEmptyLines(f.out)) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                v.insert(line.left(eq), line.mid(eq + 1).toInt());
        }
        return QRect(v.value("X"), v.value("Y"), v.value("WIDTH"), v.value("HEIGHT"));
    }

    // The rows a query gives, read by sqlite3 beside the running program.
    QJsonArray query(const QString &sql) const
    {
        const Finished f = runTool(QStringLiteral("sqlite3"), {QStringLiteral("-json"), dbPath, sql});
        EXPECT_EQ(f.exitCode, 0) << sql.toStdString() << ": " << f.err.toStdString();
        return QJsonDocument::fromJson(f.out).array(); // no rows print nothing
    }

    int rowCount() const
    {
        const QJsonArray rows = query(QStringLiteral("SELECT COUNT(*) AS n FROM items"));
        return rows.isEmpty() ? -1 : rows.first().toObject().value(QStringLiteral("n")).toInt(-1);
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString file = work.filePath(name);
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            ADD_FAILURE() << "cannot write " << file.toStdString();
        return file;
    }

    // Another program takes the clipboard and keeps serving it.
    void startPeer(const QString &peer, const QStringList &args)
    {
        auto p = std::make_unique<QProcess>();
        p->start(peer, args);
        EXPECT_TRUE(p->waitForStarted(ProcessTimeoutMs)) << peer.toStdString();
        peers.push_back(std::move(p));
    }

    // Another program reads the clipboard in one target.
    static QByteArray readClipboard(const QString &target)
    {
        const Finished f = runTool(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                                             QStringLiteral("clipboard"), QStringLiteral("-t"), target});
        return f.exitCode == 0 ? f.out : QByteArray();
    }

    QTemporaryDir home; // the child's home
    QTemporaryDir work; // what the peers offer
    QProcessEnvironment env;
    QString dataDir, dbPath, iniPath;
    std::unique_ptr<QProcess> program;
    std::vector<std::unique_ptr<QProcess>> peers;
};

TEST_F(ProgramDesktop, CopiesAreKeptRestoredBySelectionAndSurviveARestart)
{
    // --- First run: an empty history.
    QString window = startProgram();
    ASSERT_FALSE(window.isEmpty());
    ASSERT_EQ(rowCount(), 0);

    QImage img(11, 7, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(20 * x, 30 * y, 150));
    const QByteArray png = testsupport::encodeImage(img, "PNG");
    const QString text = QStringLiteral("Hello from xclip \u00E9\u4E16");
    const QString htmlText = QStringLiteral("Gr\u00FC\u00DFe link");
    const QByteArray markup = "<meta charset='utf-8'><b>Gr\xC3\xBC\xC3\x9F" "e</b> <a href=\"https://example.org\">link</a>";
    const QString fileA = writeFile(QStringLiteral("report one.txt"), "a");
    const QString fileB = writeFile(QStringLiteral("\u00FCber \u65E5\u672C.txt"), "b");
    const QByteArray urlA = QUrl::fromLocalFile(fileA).toEncoded();
    const QByteArray urlB = QUrl::fromLocalFile(fileB).toEncoded();

    const auto xclipOffers = [&](const char *target, const QString &payload) {
        return std::make_pair(QStringLiteral("xclip"),
                              QStringList{QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                          QStringLiteral("-t"), QString::fromLatin1(target), QStringLiteral("-i"), payload});
    };
    const auto column = [](const QJsonObject &row, const char *name) {
        return row.value(QString::fromLatin1(name)).toString();
    };

    struct Copy {
        const char *name;
        std::pair<QString, QStringList> peer;
        int kind;
        std::function<void(const QJsonObject &)> check;
    };
    const QList<Copy> copies = {
        {"text", xclipOffers("UTF8_STRING", writeFile(QStringLiteral("text"), text.toUtf8())), 1,
         [&](const QJsonObject &r) { EXPECT_EQ(column(r, "text"), text); }},
        {"HTML from a browser",
         {QStringLiteral(CLIP_OFFER_PEER),
          {QStringLiteral("text/plain=") + writeFile(QStringLiteral("plain"), htmlText.toUtf8()),
           QStringLiteral("text/html=") + writeFile(QStringLiteral("markup"), markup)}},
         2,
         [&](const QJsonObject &r) {
             EXPECT_EQ(column(r, "text"), htmlText);
             EXPECT_EQ(column(r, "html_raw_type"), QStringLiteral("blob"));
         }},
        {"PNG image", xclipOffers("image/png", writeFile(QStringLiteral("image.png"), png)), 3,
         [&](const QJsonObject &r) {
             EXPECT_EQ(column(r, "image_raw_format"), QStringLiteral("PNG"));
             EXPECT_EQ(column(r, "image_raw_hex").toLatin1(), png.toHex().toUpper());
         }},
        {"file list", xclipOffers("text/uri-list", writeFile(QStringLiteral("uris"), urlA + "\r\n" + urlB + "\r\n")), 5,
         [&](const QJsonObject &r) { EXPECT_EQ(column(r, "files"), fileA + QStringLiteral("\r\n") + fileB + QStringLiteral("\r\n")); }},
    };

    for (const Copy &c : copies) {
        SCOPED_TRACE(c.name);
        const int before = rowCount();
        startPeer(c.peer.first, c.peer.second);
        int after = before;
        EXPECT_TRUE(testsupport::waitUntil([&] { return (after = rowCount()) != before; }, ProgramTimeoutMs))
            << "no new row; program output: " << programOutput().toStdString();
        ASSERT_EQ(after, before + 1);
        const QJsonArray rows = query(QStringLiteral(
            "SELECT kind, text, files, image_raw_format, typeof(html_raw) AS html_raw_type, "
            "hex(image_raw) AS image_raw_hex FROM items ORDER BY id DESC LIMIT 1"));
        ASSERT_EQ(rows.size(), 1);
        const QJsonObject row = rows.first().toObject();
        EXPECT_EQ(row.value(QStringLiteral("kind")).toInt(), c.kind);
        c.check(row);
    }
    const QJsonArray storedRows = query(QStringLiteral("SELECT id, kind FROM items ORDER BY id"));
    ASSERT_EQ(storedRows.size(), 4);

    // --- Selecting rows with the keyboard. Rows are newest first: files,
    // image, HTML, text. The text clip was selected by the program when it
    // came as the first row, and stays selected while the others arrive
    // above it. Down in the filter only moves the focus to the list.
    using Check = std::function<bool(const QByteArray &)>;
    const auto equals = [](QByteArray expected) { return Check([expected](const QByteArray &out) { return out == expected; }); };
    struct Read {
        const char *target;
        Check matches;
    };
    struct Select {
        const char *key;
        const char *row;
        QList<Read> reads; // the first one tells that the clip has arrived
    };
    const QList<Select> selections = {
        {"Up", "HTML", {{"text/html", equals(markup)}, {"UTF8_STRING", equals(htmlText.toUtf8())}}},
        {"Up", "image", {{"image/png", equals(png)}}},
        {"Up", "files",
         {{"text/uri-list", [&](const QByteArray &out) { return testsupport::nonEmptyLines(out) == QByteArrayList{urlA, urlB}; }}}},
        {"End", "text", {{"UTF8_STRING", equals(text.toUtf8())}}},
    };
    const auto expectClipboard = [](const QList<Read> &reads) {
        for (const Read &r : reads) {
            QByteArray out;
            EXPECT_TRUE(testsupport::waitUntil([&] { return r.matches(out = readClipboard(QString::fromLatin1(r.target))); },
                                               ProgramTimeoutMs))
                << r.target << " gave: " << out.left(300).toStdString();
        }
    };

    activate(window);
    pressKey(QStringLiteral("Down"));
    bool tipSeen = false;
    for (const Select &s : selections) {
        SCOPED_TRACE(s.row);
        pressKey(QString::fromLatin1(s.key));
        if (!tipSeen) {
            // The first selection by the user explains itself once, in a box
            // titled with the program's name.
            QString box;
            ASSERT_TRUE(testsupport::waitUntil([&] { return !(box = visibleWindow(QStringLiteral("^Stashwell$"))).isEmpty(); },
                                               ProgramTimeoutMs))
                << "no tip box after the first selection";
            activate(box);
            pressKey(QStringLiteral("Return"));
            ASSERT_TRUE(testsupport::waitUntil([&] { return visibleWindow(QStringLiteral("^Stashwell$")).isEmpty(); },
                                               ProgramTimeoutMs))
                << "the tip box stayed open";
            tipSeen = true;
            activate(window);
        }
        expectClipboard(s.reads);
    }
    // What the program put back is not taken for new clips.
    EXPECT_EQ(query(QStringLiteral("SELECT id, kind FROM items ORDER BY id")), storedRows);

    // --- The window is moved and resized as a user would, away from where
    // a first start centres it, then the program is closed.
    const QRect placed = geometry(window);
    ASSERT_FALSE(placed.isEmpty());
    ASSERT_EQ(xdotool({QStringLiteral("windowsize"), window, QStringLiteral("520"), QStringLiteral("640")}).exitCode, 0);
    ASSERT_EQ(xdotool({QStringLiteral("windowmove"), window, QStringLiteral("120"), QStringLiteral("90")}).exitCode, 0);
    QRect moved;
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            moved = geometry(window);
            return moved.size() == QSize(520, 640) && moved.topLeft() != placed.topLeft();
        },
        ProgramTimeoutMs))
        << "the window manager did not move the window; it is at " << moved.x() << "," << moved.y() << " "
        << moved.width() << "x" << moved.height();

    closeProgram(window);
    ASSERT_TRUE(QFile::exists(iniPath));
    {
        QSettings ini(iniPath, QSettings::IniFormat);
        ASSERT_TRUE(ini.childGroups().contains(QStringLiteral("form"))) << ini.childGroups().join(',').toStdString();
        // The stored size is the window's inner size, as xdotool reports it.
        // The stored place is the frame's corner, while xdotool reports the
        // inner window, which lies inside the frame's border and title bar:
        // it is right of and below the stored place by at most the frame's
        // decoration.
        EXPECT_EQ(ini.value(QStringLiteral("form/width")).toInt(), moved.width());
        EXPECT_EQ(ini.value(QStringLiteral("form/height")).toInt(), moved.height());
        const int dx = moved.x() - ini.value(QStringLiteral("form/left"), -1000).toInt();
        const int dy = moved.y() - ini.value(QStringLiteral("form/top"), -1000).toInt();
        EXPECT_TRUE(dx >= 0 && dx <= 64 && dy >= 0 && dy <= 64) << "offset " << dx << "," << dy;
        EXPECT_TRUE(ini.value(QStringLiteral("ui/SelectionCopyHintShown")).toBool());
    }

    // --- Second run: the same clips, the same place and size. The same
    // window manager frames the window again the same way, so xdotool must
    // report exactly the geometry it had before closing.
    window = startProgram();
    ASSERT_FALSE(window.isEmpty());
    EXPECT_EQ(query(QStringLiteral("SELECT id, kind FROM items ORDER BY id")), storedRows);
    QRect restored;
    EXPECT_TRUE(testsupport::waitUntil([&] { return (restored = geometry(window)) == moved; }, ProgramTimeoutMs))
        << "before closing " << moved.x() << "," << moved.y() << " " << moved.width() << "x" << moved.height()
        << ", after restarting " << restored.x() << "," << restored.y() << " " << restored.width() << "x"
        << restored.height();

    // The program has its clips too: after a start the first row (files) is
    // selected, End selects the text clip and puts it back. The tip is not
    // shown again, so Home then reaches the list as well.
    activate(window);
    pressKey(QStringLiteral("Down"));
    pressKey(QStringLiteral("End"));
    expectClipboard({{"UTF8_STRING", equals(text.toUtf8())}});
    pressKey(QStringLiteral("Home"));
    expectClipboard(
        {{"text/uri-list", [&](const QByteArray &out) { return testsupport::nonEmptyLines(out) == QByteArrayList{urlA, urlB}; }}});

    closeProgram(window);
    EXPECT_EQ(query(QStringLiteral("SELECT id, kind FROM items ORDER BY id")), storedRows);
}

TEST_F(ProgramDesktop, CtrlGravePastesTheNewestClipIntoTheEditorInFront)
{
    const QString window = startProgram();
    ASSERT_FALSE(window.isEmpty());
    startPeer(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                        QStringLiteral("-i"), writeFile(QStringLiteral("clip"), "pasted by the program")});
    ASSERT_TRUE(testsupport::waitUntil([&] { return rowCount() == 1; }, ProgramTimeoutMs)) << programOutput().toStdString();

    PasteTarget editor(QStringLiteral(PASTE_TARGET_PEER), QStringLiteral("Editor"));
    ASSERT_NE(editor.window(), 0u);
    activate(QString::number(editor.window()));
    pressKey(QStringLiteral("ctrl+grave"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return editor.text() == QStringLiteral("pasted by the program"); },
                                       ProgramTimeoutMs))
        << "the editor holds \"" << editor.text().toStdString() << "\"; program output: " << programOutput().toStdString();
    closeProgram(window);
}

} // namespace
