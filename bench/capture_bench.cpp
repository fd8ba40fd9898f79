// Capture and signature costs for large payloads, with the peak memory they
// need. Run: build/bin/capture_bench (QT_QPA_PLATFORM=offscreen is set here).

#include "platform/dib.h"
#include "platform/simulated/simulated_clipboard.h"
#include "uClipWatcher.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <sys/resource.h>

using namespace platform;

namespace {

long peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

QByteArray utf16z(const QString &text)
{
    QByteArray out(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    out.append(2, '\0');
    return out;
}

void BM_CaptureText(benchmark::State &state)
{
    SimulatedClipboard cb;
    QObject owner;
    const qsizetype chars = state.range(0) * 1024 * 1024;
    cb.offerAsOtherProgram({{CF_UNICODETEXT, utf16z(QString(chars, QLatin1Char('t')))}});
    for (auto _ : state) {
        TCapturedClip clip;
        CaptureClipboard(cb, clip, &owner);
        benchmark::DoNotOptimize(TClipWatcher::ClipSignature(clip));
    }
    state.counters["payload_MB"] = double(chars * 2) / (1024 * 1024);
    state.counters["peak_rss_MB"] = double(peakRssMb());
}
BENCHMARK(BM_CaptureText)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CaptureDibImage(benchmark::State &state)
{
    SimulatedClipboard cb;
    QObject owner;
    const int side = int(state.range(0));
    QImage img(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < side; ++x)
            line[x] = qRgb((x * 7) & 255, (y * 3) & 255, ((x ^ y) * 5) & 255);
    }
    const QByteArray dib = imageToDib(img);
    img = QImage();
    cb.offerAsOtherProgram({{CF_DIB, dib}});
    for (auto _ : state) {
        TCapturedClip clip;
        CaptureClipboard(cb, clip, &owner);
        benchmark::DoNotOptimize(TClipWatcher::ClipSignature(clip));
    }
    state.counters["payload_MB"] = double(dib.size()) / (1024 * 1024);
    state.counters["peak_rss_MB"] = double(peakRssMb());
}
BENCHMARK(BM_CaptureDibImage)->Arg(500)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SignatureDigest(benchmark::State &state)
{
    TCapturedClip clip;
    clip.HasText = true;
    clip.Text = QString(state.range(0) * 1024 * 1024, QLatin1Char('d'));
    for (auto _ : state)
        benchmark::DoNotOptimize(TClipWatcher::ClipSignature(clip));
    state.SetBytesProcessed(state.iterations() * clip.Text.size() * 2);
}
BENCHMARK(BM_SignatureDigest)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
