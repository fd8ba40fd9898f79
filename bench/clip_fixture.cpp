#include "clip_fixture.h"

#include "uData.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <cstring>

namespace {

// Rows go in batches so the write-ahead log stays small.
constexpr int InsertBatch = 1000;

const char *const InsertRow =
    "INSERT INTO items(kind, title, text, html, html_raw, rtf, rtf_raw, files, image, image_raw, "
    "image_raw_format, created_at, pinned, sort_index, hotkey_mods, hotkey_vk, hotkey_text) "
    "VALUES(:kind, :title, :text, :html, :html_raw, :rtf, :rtf_raw, :files, :image, :image_raw, "
    ":image_raw_format, :created_at, :pinned, :sort_index, :hotkey_mods, :hotkey_vk, :hotkey_text)";

} // namespace

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray out(size, Qt::Uninitialized);
    rng.fillRange(reinterpret_cast<quint32 *>(out.data()), size / 4);
    for (qsizetype i = size / 4 * 4; i < size; ++i)
        out[i] = char(rng.generate());
    return out;
}

QString variedText(QRandomGenerator &rng)
{
    static const QStringList words = {
        QStringLiteral("the"), QStringLiteral("meeting"), QStringLiteral("moved"), QStringLiteral("to"),
        QStringLiteral("Thursday"), QStringLiteral("https://example.org/docs/page?id="), QStringLiteral("#include"),
        QStringLiteral("<vector>"), QStringLiteral("return"), QStringLiteral("nullptr;"), QStringLiteral("Grüße"),
        QStringLiteral("café"), QStringLiteral("naïve"), QStringLiteral("Привет"), QStringLiteral("日本語"),
        QStringLiteral("/home/user/projects/"), QStringLiteral("invoice"), QStringLiteral("total:"),
        QStringLiteral("SELECT * FROM"), QStringLiteral("orders"), QStringLiteral("WHERE"), QStringLiteral("and"),
        QStringLiteral("please"), QStringLiteral("review"), QStringLiteral("the"), QStringLiteral("draft"),
        QStringLiteral("\n"), QStringLiteral("\t"), QStringLiteral("password-reset"), QStringLiteral("token"),
        QStringLiteral("lorem"), QStringLiteral("ipsum"), QStringLiteral("dolor"), QStringLiteral("sit"),
        QStringLiteral("amet,"), QStringLiteral("€"), QStringLiteral("git"), QStringLiteral("commit"),
        QStringLiteral("-m"), QStringLiteral("\"fix\""), QStringLiteral("clipboard"),
    };
    QString s;
    s.reserve(FixtureTextChars + 40);
    while (s.size() < FixtureTextChars) {
        if (rng.bounded(6) == 0)
            s += QString::number(rng.generate());
        else
            s += words[int(rng.bounded(quint32(words.size())))];
        s += QLatin1Char(' ');
    }
    s.truncate(FixtureTextChars);
    return s;
}

void fillClips(TdmData &dm, int rows, qsizetype imageBytes, quint32 seed)
{
    QRandomGenerator rng(seed);

    // Bursts of copies within a minute, pauses of minutes, some of hours.
    QList<qint64> gaps(rows);
    qint64 span = 0;
    for (qint64 &g : gaps) {
        const quint32 r = rng.bounded(100);
        g = r < 70 ? rng.bounded(60) : r < 95 ? 60 + rng.bounded(3600) : 3600 + rng.bounded(8 * 3600);
        span += g;
    }
    QDateTime at = QDateTime::currentDateTime().addSecs(-span - 60);

    QList<QByteArray> pngs, raws;
    for (quint32 i = 0; i < 8; ++i) {
        pngs.append(randomBytes(imageBytes, seed * 31 + i));
        raws.append(randomBytes(imageBytes, seed * 37 + i));
    }

    qint64 nextSort[2] = {1, 1};
    TSqliteQuery ins(dm.FDConnection, QString::fromLatin1(InsertRow));
    for (int i = 0; i < rows; ++i) {
        if (i % InsertBatch == 0)
            dm.FDConnection.exec(QStringLiteral("BEGIN"));
        at = at.addSecs(gaps[i]);
        const bool pinned = rng.bounded(100) < 2;
        const quint32 r = rng.bounded(100);
        qint32 kind = 1;
        QString text, html, rtf, files, imageFormat;
        QByteArray htmlRaw, rtfRaw, image, imageRaw;
        if (r < 10) {
            kind = 3;
            // Distinct blobs without generating each one: stamp the row number in.
            image = pngs[i % pngs.size()];
            imageRaw = raws[i % raws.size()];
            std::memcpy(image.data(), &i, sizeof i);
            std::memcpy(imageRaw.data(), &i, sizeof i);
            imageFormat = QStringLiteral("PNG");
        } else if (r < 17) {
            kind = 2;
            text = variedText(rng);
            html = QStringLiteral("<html><body><p style=\"font-family:sans-serif\">") + text.toHtmlEscaped()
                + QStringLiteral("</p></body></html>");
            htmlRaw = html.toUtf8();
        } else if (r < 19) {
            kind = 4;
            text = variedText(rng);
            rtf = QStringLiteral("{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0 ") + text + QStringLiteral("}");
            rtfRaw = rtf.toLatin1();
        } else if (r < 22) {
            kind = 5;
            files = QStringLiteral("/home/user/Documents/report-%1.pdf\n/home/user/Pictures/shot-%2.png")
                        .arg(rng.generate())
                        .arg(rng.generate());
            text = files;
        } else {
            text = variedText(rng);
        }
        const bool titled = rng.bounded(100) == 0;
        const bool hotkey = pinned && rng.bounded(4) == 0;
        ins.bindInt64(":kind", kind);
        if (titled)
            ins.bindText(":title", QStringLiteral("Note %1").arg(i));
        else
            ins.bindNull(":title");
        ins.bindText(":text", text)
            .bindText(":html", html)
            .bindText(":rtf", rtf)
            .bindText(":files", files)
            .bindBlobOrNull(":html_raw", htmlRaw)
            .bindBlobOrNull(":rtf_raw", rtfRaw)
            .bindBlobOrNull(":image", image)
            .bindBlobOrNull(":image_raw", imageRaw)
            .bindText(":image_raw_format", imageFormat)
            .bindText(":created_at", at.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")))
            .bindInt64(":pinned", pinned ? 1 : 0)
            .bindInt64(":sort_index", nextSort[pinned]--);
        if (hotkey)
            ins.bindInt64(":hotkey_mods", 6).bindInt64(":hotkey_vk", 0x31 + i % 9).bindText(":hotkey_text", QStringLiteral("Ctrl+Alt+%1").arg(1 + i % 9));
        else
            ins.bindNull(":hotkey_mods").bindNull(":hotkey_vk").bindNull(":hotkey_text");
        ins.exec();
        if (i % InsertBatch == InsertBatch - 1 || i == rows - 1)
            dm.FDConnection.exec(QStringLiteral("COMMIT"));
    }
    dm.FDConnection.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE);"));
}
