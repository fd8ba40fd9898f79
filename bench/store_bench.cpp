// Clip store costs: insertion under the connection settings and a few
// journal/synchronous alternatives, the whole-list reads, retention, the
// newest-clip lookup and deletion with its VACUUM.
// Run: build/bin/store_bench (QT_QPA_PLATFORM=offscreen is set here; HOME and
// XDG_DATA_HOME point into a temporary directory so the real home is untouched).

#include "clip_fixture.h"
#include "uData.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>

#include <cstring>
#include <map>
#include <memory>

namespace {

// Every database of the run lives below this directory.
QString gRoot;

constexpr qsizetype BigImageBytes = 200 * 1024;
// 20 KB instead of 200 KB for the list fixtures: with 200 KB blobs the
// 100,000-clip file would be about 2 GB (10,000 image clips, PNG + raw).
constexpr qsizetype ListImageBytes = 20 * 1024;

double fileMb(const QString &db)
{
    return double(QFileInfo(db).size() + QFileInfo(db + QStringLiteral("-wal")).size()) / (1024 * 1024);
}

// A fresh, initialised database in its own temporary directory.
struct TempStore {
    QTemporaryDir dir{gRoot + QStringLiteral("/db-XXXXXX")};
    QString path = dir.filePath(QStringLiteral("clips.db"));
    TdmData dm;

    TempStore()
    {
        dm.ConnectDatabase(path);
        dm.InitDatabase();
    }
};

// List fixtures are built once per size and only read afterwards.
std::map<int, std::unique_ptr<TempStore>> gFixtures;

TdmData &listFixture(int rows)
{
    auto &slot = gFixtures[rows];
    if (!slot) {
        slot = std::make_unique<TempStore>();
        fillClips(slot->dm, rows, ListImageBytes, quint32(rows));
    }
    return slot->dm;
}

// --- Insertion ---

void BM_AddTextClip(benchmark::State &state, const char *journal, const char *sync)
{
    TempStore s;
    if (journal)
        s.dm.FDConnection.exec(QStringLiteral("PRAGMA journal_mode=%1; PRAGMA synchronous=%2;")
                                   .arg(QLatin1String(journal), QLatin1String(sync)));
    {
        // Label with what the connection really runs with.
        TSqliteQuery jm(s.dm.FDConnection, QStringLiteral("PRAGMA journal_mode"));
        TSqliteQuery sy(s.dm.FDConnection, QStringLiteral("PRAGMA synchronous"));
        jm.open();
        sy.open();
        static const char *const levels[] = {"OFF", "NORMAL", "FULL", "EXTRA"};
        state.SetLabel(jm.field(0).asText().toStdString() + "+" + levels[sy.field(0).asInt64() & 3]);
    }
    QRandomGenerator rng(7);
    QStringList texts;
    for (int i = 0; i < 64; ++i)
        texts.append(variedText(rng));
    qsizetype n = 0;
    for (auto _ : state)
        s.dm.AddClip(1, texts[n++ % texts.size()], {}, {}, {}, {}, {}, {}, {}, {}, false);
    state.SetItemsProcessed(state.iterations());
    state.counters["db_MB"] = fileMb(s.path);
}
BENCHMARK_CAPTURE(BM_AddTextClip, program_settings, nullptr, nullptr)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AddTextClip, wal_normal, "WAL", "NORMAL")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AddTextClip, wal_full, "WAL", "FULL")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AddTextClip, delete_full, "DELETE", "FULL")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AddTextClip, delete_normal, "DELETE", "NORMAL")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AddTextClip, truncate_full, "TRUNCATE", "FULL")->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_AddImageClip(benchmark::State &state)
{
    TempStore s;
    QList<QByteArray> pngs, raws;
    for (quint32 i = 0; i < 4; ++i) {
        pngs.append(randomBytes(BigImageBytes, 100 + i));
        raws.append(randomBytes(BigImageBytes, 200 + i));
    }
    const QString format = QStringLiteral("PNG");
    qsizetype n = 0;
    for (auto _ : state) {
        const qsizetype k = n++ % pngs.size();
        s.dm.AddClip(3, {}, {}, {}, {}, {}, {}, pngs[k], raws[k], format, false);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * BigImageBytes * 2);
    state.counters["db_MB"] = fileMb(s.path);
}
BENCHMARK(BM_AddImageClip)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- Whole-list reads ---

void BM_QueryItemsAll(benchmark::State &state)
{
    const int rows = int(state.range(0));
    TdmData &dm = listFixture(rows);
    qint64 bytes = 0;
    for (auto _ : state) {
        qint64 ints = 0, sum = 0, count = 0;
        auto q = dm.QueryItems(QString());
        for (; !q->eof(); q->next()) {
            ints += q->field("id").asInt64() + q->field("kind").asInt64() + q->field("pinned").asInt64()
                + q->field("sort_index").asInt64() + q->field("hotkey_mods").asInt64()
                + q->field("hotkey_vk").asInt64();
            sum += 2 * (q->field("text").asText().size() + q->field("html").asText().size()
                        + q->field("rtf").asText().size() + q->field("files").asText().size()
                        + q->field("title").asText().size() + q->field("hotkey_text").asText().size()
                        + q->field("created_at").asText().size() + q->field("image_raw_format").asText().size());
            sum += q->field("image").asBytes().size() + q->field("image_raw").asBytes().size()
                + q->field("html_raw").asBytes().size() + q->field("rtf_raw").asBytes().size();
            ++count;
        }
        benchmark::DoNotOptimize(ints);
        benchmark::DoNotOptimize(sum);
        if (count != rows)
            state.SkipWithError("row count mismatch");
        bytes = sum;
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["db_MB"] = fileMb(dm.FDConnection.path());
    state.counters["read_MB"] = double(bytes) / (1024 * 1024);
}
BENCHMARK(BM_QueryItemsAll)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_QueryListItems(benchmark::State &state)
{
    const int rows = int(state.range(0));
    TdmData &dm = listFixture(rows);
    for (auto _ : state) {
        qint64 sum = 0, count = 0;
        auto q = dm.QueryListItems();
        for (; !q->eof(); q->next()) {
            sum += q->field("id").asInt64() + q->field("kind").asInt64() + q->field("pinned").asInt64();
            sum += q->field("title").asText().size() + q->field("text").asText().size()
                + q->field("html").asText().size() + q->field("rtf").asText().size()
                + q->field("files").asText().size() + q->field("hotkey_text").asText().size();
            ++count;
        }
        benchmark::DoNotOptimize(sum);
        if (count != rows)
            state.SkipWithError("row count mismatch");
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["db_MB"] = fileMb(dm.FDConnection.path());
}
BENCHMARK(BM_QueryListItems)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// --- Retention and lookups ---

// One new clip arrives, the oldest unpinned one goes: the steady state of a
// full history.
void BM_RemoveOldKeepLast(benchmark::State &state)
{
    TempStore s;
    fillClips(s.dm, int(state.range(0)), ListImageBytes, 4242);
    qint32 keep = 0;
    {
        TSqliteQuery q(s.dm.FDConnection, QStringLiteral("SELECT COUNT(*) FROM items WHERE pinned = 0"));
        q.open();
        keep = qint32(q.field(0).asInt64());
    }
    QRandomGenerator rng(9);
    const QString text = variedText(rng);
    for (auto _ : state) {
        state.PauseTiming();
        s.dm.AddClip(1, text, {}, {}, {}, {}, {}, {}, {}, {}, false);
        state.ResumeTiming();
        s.dm.RemoveOldUnpinnedClipsKeepLast(keep);
    }
    {
        TSqliteQuery q(s.dm.FDConnection, QStringLiteral("SELECT COUNT(*) FROM items WHERE pinned = 0"));
        q.open();
        if (q.field(0).asInt64() != keep)
            state.SkipWithError("retention did not keep the count");
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["db_MB"] = fileMb(s.path);
}
BENCHMARK(BM_RemoveOldKeepLast)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(200)->UseRealTime();

void BM_NewestClipId(benchmark::State &state)
{
    TdmData &dm = listFixture(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(dm.NewestClipId());
    state.counters["db_MB"] = fileMb(dm.FDConnection.path());
}
BENCHMARK(BM_NewestClipId)->Arg(100000)->Unit(benchmark::kMillisecond);

// --- Deletion ---

void BM_DeleteItemVacuum(benchmark::State &state)
{
    TempStore s;
    const int clips = int(state.range(0));
    QList<QByteArray> pngs;
    for (quint32 i = 0; i < 8; ++i)
        pngs.append(randomBytes(BigImageBytes, 300 + i));
    // Image only, no raw copy: 500 clips of 200 KB make a ~100 MB file.
    const QString format = QStringLiteral("PNG");
    for (int i = 0; i < clips; ++i) {
        if (i % 50 == 0)
            s.dm.FDConnection.exec(QStringLiteral("BEGIN"));
        QByteArray png = pngs[i % pngs.size()];
        std::memcpy(png.data(), &i, sizeof i);
        s.dm.AddClip(3, {}, {}, {}, {}, {}, {}, png, {}, format, false);
        if (i % 50 == 49 || i == clips - 1)
            s.dm.FDConnection.exec(QStringLiteral("COMMIT"));
    }
    s.dm.FDConnection.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE);"));
    state.counters["db_MB_before"] = fileMb(s.path);

    // A clip in the middle of the file, so VACUUM has pages to move.
    qint64 victim = clips / 2;
    for (auto _ : state) {
        s.dm.DeleteItem(victim++);
        state.PauseTiming();
        s.dm.AddClip(3, {}, {}, {}, {}, {}, {}, pngs[0], {}, format, false);
        state.ResumeTiming();
    }
    state.counters["db_MB"] = fileMb(s.path);
}
BENCHMARK(BM_DeleteItemVacuum)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    gRoot = root.path();
    qputenv("HOME", gRoot.toLocal8Bit());
    qputenv("XDG_DATA_HOME", (gRoot + QStringLiteral("/data")).toLocal8Bit());
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gFixtures.clear();
    return 0;
}
