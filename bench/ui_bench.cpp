// Main-window costs over a 100,000-clip "Default Category.db": start-up to a
// shown window, the list rebuild after a new clip and without a change, a
// filter keystroke, another program's copy until its row is in the list, and
// the resident memory of the running window.
// Run: build/bin/ui_bench (QT_QPA_PLATFORM=offscreen is set here; HOME and
// XDG_DATA_HOME point into a temporary directory so the real home is untouched).
// The database is written once per run, before the first window opens, and
// every window of the run opens that same file.

#include "platform/simulated/simulated_clipboard.h"
#include "platform/simulated/simulated_desktop.h"
#include "platform/simulated/simulated_hotkeys.h"
#include "platform/simulated/simulated_value_store.h"
#include "uClipboardUtils.h"
#include "clip_fixture.h"
#include "uApplication.h"
#include "uData.h"
#include "uMain.h"
#include "uSettings.h"
#include "uUtils.h"

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeView>
#include <QWindow>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int FixtureRows = 100000;
// 20 KB blobs: with 200 KB ones the file would be about 2 GB.
constexpr qsizetype ImageBytes = 20 * 1024;
// No wait of the run may hang it: a window that never shows fails the benchmark.
constexpr int WaitLimitMs = 20000;

QString gDbPath;

// Writes the database the window opens, through the program's own schema.
bool buildFixture()
{
    QElapsedTimer t;
    t.start();
    {
        TdmData dm;
        dm.ConnectDatabase(dm.DefaultDBPath());
        dm.InitDatabase();
        gDbPath = dm.FDConnection.path();
        fillClips(dm, FixtureRows, ImageBytes, quint32(FixtureRows));
        dm.CloseDatabase();
    }
    std::fprintf(stderr, "fixture: %d clips, %.0f MB, written in %.1f s: %s\n", FixtureRows,
                 double(QFileInfo(gDbPath).size()) / (1024 * 1024), t.elapsed() / 1000.0, qPrintable(gDbPath));
    return QFileInfo::exists(gDbPath);
}

// A line of /proc/self/status in MB (VmRSS, VmHWM).
double procStatusMb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

double elapsedMs(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Runs the event loop until the condition holds or the limit passes.
bool waitFor(const std::function<bool()> &condition, int limitMs = WaitLimitMs)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > limitMs)
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void drainEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Counts the paints of the list, to tell when a change has reached the screen.
class TPaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        if (Event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(Watched, Event);
    }
};

// A modal box would stop the run forever on the offscreen platform: it is
// answered and its text reported.
class TBoxCloser : public QObject {
public:
    TBoxCloser() { startTimer(20); }

protected:
    void timerEvent(QTimerEvent *) override
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            std::fprintf(stderr, "message box: %s\n", qPrintable(box->text()));
            if (QAbstractButton *ok = box->button(QMessageBox::Ok)) {
                ok->click();
                return;
            }
        }
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
    }
};

// The program's parts as main() puts them together, over the simulated desktop.
struct TProgram {
    platform::SimulatedClipboard cb;
    platform::SimulatedValueStore values;
    platform::SimulatedHotkeys hotkeys;
    platform::SimulatedDesktop desktop;
    TdmData dm;
    std::unique_ptr<TfrmMain> frmMain;
    std::unique_ptr<TfrmSettings> frmSettings;
    TPaintCounter listPaints;

    // Constructs and shows the window; answers whether it was exposed and
    // its list painted.
    bool start()
    {
        frmMain = std::make_unique<TfrmMain>(dm, TMainServices{cb, values, hotkeys, desktop, desktop});
        frmSettings = std::make_unique<TfrmSettings>(frmMain.get(), frmMain.get());
        frmMain->SetSettingsForm(frmSettings.get());
        frmMain->lvItems->viewport()->installEventFilter(&listPaints);
        frmMain->show();
        return waitFor([this] {
            const QWindow *w = frmMain->windowHandle();
            return w && w->isExposed() && listPaints.paints > 0;
        });
    }

    ~TProgram()
    {
        if (frmMain) {
            frmMain->SetSettingsForm(nullptr);
            frmSettings.reset();
            frmMain.reset();
        }
    }
};

// The window the list benchmarks share: started once, after the start-up
// benchmark, and kept for the rest of the run.
std::unique_ptr<TProgram> gShared;
double gRssBeforeShared = 0;

TProgram *sharedProgram(benchmark::State &state)
{
    if (!gShared) {
        malloc_trim(0);
        gRssBeforeShared = procStatusMb("VmRSS");
        gShared = std::make_unique<TProgram>();
        if (!gShared->start()) {
            gShared.reset();
            state.SkipWithError("the window did not show");
            return nullptr;
        }
        drainEvents();
    }
    gShared->frmMain->edtFilter->clear();
    drainEvents();
    return gShared.get();
}

// Distinct texts for new clips, so that none is a repeat of the last one.
QString newClipText(qint64 serial)
{
    static QRandomGenerator rng(77);
    return QStringLiteral("new clip %1 ").arg(serial) + variedText(rng).left(FixtureTextChars - 20);
}

TCapturedClip textClip(const QString &text)
{
    TCapturedClip c;
    c.Kind = 1;
    c.Text = text;
    c.HasText = true;
    return c;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

qint64 gSerial = 0;

// --- Start-up ---

// From nothing to a shown window with its list painted: the data module, the
// window (which opens the database and reads the whole list), the settings
// dialog, show() and the first paint. The window is closed after each run.
void BM_StartupToShown(benchmark::State &state)
{
    gShared.reset();
    drainEvents();
    malloc_trim(0);
    const double rssBefore = procStatusMb("VmRSS");
    double rssShown = 0, constructMs = 0, closeMs = 0;
    int rows = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        auto p = std::make_unique<TProgram>();
        p->frmMain = std::make_unique<TfrmMain>(p->dm, TMainServices{p->cb, p->values, p->hotkeys, p->desktop, p->desktop});
        p->frmSettings = std::make_unique<TfrmSettings>(p->frmMain.get(), p->frmMain.get());
        p->frmMain->SetSettingsForm(p->frmSettings.get());
        constructMs += elapsedMs(t);
        p->frmMain->lvItems->viewport()->installEventFilter(&p->listPaints);
        p->frmMain->show();
        const bool shown = waitFor([&] {
            const QWindow *w = p->frmMain->windowHandle();
            return w && w->isExposed() && p->listPaints.paints > 0;
        });
        state.SetIterationTime(elapsedMs(t) / 1000.0);
        if (!shown) {
            state.SkipWithError("the window did not show");
            break;
        }
        drainEvents();
        rows = p->frmMain->ListModel()->rowCount();
        rssShown = procStatusMb("VmRSS");
        QElapsedTimer c;
        c.start();
        p.reset();
        drainEvents();
        closeMs += elapsedMs(c);
    }
    const double n = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["rows"] = rows;
    state.counters["construct_ms"] = constructMs / n;
    state.counters["close_ms"] = closeMs / n;
    state.counters["rss_shown_MB"] = rssShown;
    state.counters["rss_growth_MB"] = rssShown - rssBefore;
    state.counters["db_MB"] = double(QFileInfo(gDbPath).size()) / (1024 * 1024);
}
BENCHMARK(BM_StartupToShown)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// --- Resident memory of the running window ---

void BM_ResidentMemory(benchmark::State &state)
{
    // A window of its own, so that the figure is the one right after start-up.
    gShared.reset();
    drainEvents();
    TProgram *p = sharedProgram(state);
    if (!p)
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(p->frmMain->ListModel()->rowCount());
    malloc_trim(0);
    const double rss = procStatusMb("VmRSS");
    state.counters["rows"] = p->frmMain->ListModel()->rowCount();
    state.counters["VmRSS_MB"] = rss;
    state.counters["window_MB"] = rss - gRssBeforeShared;
    state.counters["VmHWM_MB"] = procStatusMb("VmHWM");
}
BENCHMARK(BM_ResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// --- List rebuilds ---

// A new clip as the watcher hands it on: stored (with its sync) and the list
// rebuilt. The time is the call; the events that follow it (layout, the
// repaint of the list) are counted apart as events_ms.
void BM_NewClipRebuild(benchmark::State &state)
{
    TProgram *p = sharedProgram(state);
    if (!p)
        return;
    double callMs = 0, eventsMs = 0;
    const int rowsBefore = p->frmMain->ListModel()->rowCount();
    for (auto _ : state) {
        state.PauseTiming();
        const TCapturedClip clip = textClip(newClipText(++gSerial));
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        p->frmMain->HandleNewClip(clip);
        const double call = elapsedMs(t);
        drainEvents();
        eventsMs += elapsedMs(t) - call;
        callMs += call;
        state.SetIterationTime(call / 1000.0);
    }
    const double n = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    const int rows = p->frmMain->ListModel()->rowCount();
    if (rows != rowsBefore + int(state.iterations()))
        state.SkipWithError("the list did not grow by one row per clip");
    state.counters["rows"] = rows;
    state.counters["call_ms"] = callMs / n;
    state.counters["events_ms"] = eventsMs / n;
}
BENCHMARK(BM_NewClipRebuild)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

// The same rebuild with nothing changed in the file.
void BM_RefreshUnchanged(benchmark::State &state)
{
    TProgram *p = sharedProgram(state);
    if (!p)
        return;
    double callMs = 0, eventsMs = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        p->frmMain->RefreshClipList();
        const double call = elapsedMs(t);
        drainEvents();
        eventsMs += elapsedMs(t) - call;
        callMs += call;
        state.SetIterationTime(call / 1000.0);
    }
    const double n = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["rows"] = p->frmMain->ListModel()->rowCount();
    state.counters["call_ms"] = callMs / n;
    state.counters["events_ms"] = eventsMs / n;
}
BENCHMARK(BM_RefreshUnchanged)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

// --- Filter keystrokes ---

// Typing a word into the filter and clearing it: each setText is one
// keystroke (the textChanged handler rebuilds the list). The time is the
// setText call; per-step means and the matching rows come as counters.
void BM_FilterKeystroke(benchmark::State &state)
{
    TProgram *p = sharedProgram(state);
    if (!p)
        return;
    static const QStringList steps = {QStringLiteral("c"), QStringLiteral("cl"), QStringLiteral("cli"),
                                      QStringLiteral("clip"), QString()};
    static const char *const names[] = {"c", "cl", "cli", "clip", "clear"};
    std::vector<double> stepMs(steps.size()), stepEventsMs(steps.size()), stepRows(steps.size());
    std::vector<int> stepCount(steps.size());
    qsizetype k = 0;
    for (auto _ : state) {
        const qsizetype s = k++ % steps.size();
        QElapsedTimer t;
        t.start();
        p->frmMain->edtFilter->setText(steps[s]);
        const double call = elapsedMs(t);
        drainEvents();
        stepEventsMs[s] += elapsedMs(t) - call;
        stepMs[s] += call;
        ++stepCount[s];
        stepRows[s] = p->frmMain->ListModel()->rowCount();
        state.SetIterationTime(call / 1000.0);
    }
    for (qsizetype s = 0; s < steps.size(); ++s) {
        const double n = std::max(1, stepCount[s]);
        state.counters[std::string(names[s]) + "_ms"] = stepMs[s] / n;
        state.counters[std::string(names[s]) + "_events_ms"] = stepEventsMs[s] / n;
        state.counters[std::string(names[s]) + "_rows"] = stepRows[s];
    }
    p->frmMain->edtFilter->clear();
    drainEvents();
}
BENCHMARK(BM_FilterKeystroke)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

// --- Another program's copy to its row ---

// The other program's copy posts an update to the watcher; the event loop
// runs until the list has the new row (the time), and then until the list
// has painted it (painted_*). 50 copies; the medians come as counters.
void BM_CopyToRowShown(benchmark::State &state)
{
    TProgram *p = sharedProgram(state);
    if (!p)
        return;
    std::vector<double> inList, painted;
    for (auto _ : state) {
        const QString text = newClipText(++gSerial);
        const int rowsBefore = p->frmMain->ListModel()->rowCount();
        const int paintsBefore = p->listPaints.paints;
        QElapsedTimer t;
        t.start();
        if (!p->cb.offerText(text)) {
            state.SkipWithError("the clipboard refused the copy");
            break;
        }
        const bool grew = waitFor([&] { return p->frmMain->ListModel()->rowCount() > rowsBefore; });
        const double rowMs = elapsedMs(t);
        const bool shown = grew && waitFor([&] { return p->listPaints.paints > paintsBefore; });
        const double paintMs = elapsedMs(t);
        if (!grew || !shown) {
            state.SkipWithError(grew ? "the list did not repaint" : "the new clip did not reach the list");
            break;
        }
        state.SetIterationTime(rowMs / 1000.0);
        inList.push_back(rowMs);
        painted.push_back(paintMs);
    }
    // The new row must be the first unpinned one.
    const TClipListModel *m = p->frmMain->ListModel();
    int firstUnpinned = 0;
    while (firstUnpinned < m->rowCount() && m->Row(firstUnpinned).Caption.startsWith(QStringLiteral("\U0001F4CC")))
        ++firstUnpinned;
    if (firstUnpinned >= m->rowCount() || !m->Row(firstUnpinned).Caption.startsWith(QStringLiteral("new clip %1 ").arg(gSerial)))
        state.SkipWithError("the last copy is not the first unpinned row");
    state.counters["rows"] = m->rowCount();
    state.counters["median_ms"] = median(inList);
    state.counters["p90_ms"] = percentile(inList, 0.9);
    state.counters["max_ms"] = inList.empty() ? 0 : *std::max_element(inList.begin(), inList.end());
    state.counters["painted_median_ms"] = median(painted);
    state.counters["painted_p90_ms"] = percentile(painted, 0.9);
}
BENCHMARK(BM_CopyToRowShown)->Unit(benchmark::kMillisecond)->Iterations(50)->UseManualTime();

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    qputenv("HOME", root.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (root.path() + QStringLiteral("/data")).toLocal8Bit());
    QApplication app(argc, argv);
    // The look the program itself runs with.
    ApplyVisualStyle(app);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    TBoxCloser boxCloser;

    benchmark::Initialize(&argc, argv);
    if (!buildFixture())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gShared.reset();
    std::fprintf(stderr, "peak resident memory (VmHWM): %.1f MB\n", procStatusMb("VmHWM"));
    return 0;
}
