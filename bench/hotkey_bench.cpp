// The hotkey rebuild that every list refresh makes, against a real X server
// (run it with DISPLAY set, e.g. on Xvfb): everything unregistered, then
// paste-newest, minimize/restore and N clip hotkeys registered again.

#include "uHotkeys.h"

#include "platform/hotkeys.h"
#include "platform/x11/x11_hotkeys.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

void BM_RebuildRegistrations(benchmark::State &state)
{
    platform::X11Hotkeys system;
    if (!system.isConnected()) {
        state.SkipWithError("no X display");
        return;
    }
    QObject owner;
    THotkeyManager manager(&owner, system);
    const int clips = int(state.range(0));
    // Ctrl+Alt with letters and digits, then Shift+Alt: distinct combinations.
    const auto clipKey = [](int i) { return 0x41 + i % 26; };
    const auto clipMods = [](int i) {
        return int(i < 26 ? platform::MOD_CONTROL | platform::MOD_ALT : platform::MOD_SHIFT | platform::MOD_ALT);
    };
    int refused = 0;
    for (auto _ : state) {
        manager.UnregisterAll();
        manager.RegisterHotkey(2, int(platform::MOD_CONTROL), 0xC0);
        manager.RegisterHotkey(1, int(platform::MOD_CONTROL | platform::MOD_SHIFT), 0x5A);
        for (int i = 0; i < clips; ++i)
            refused += manager.RegisterHotkey(1000 + i, clipMods(i), clipKey(i)) ? 0 : 1;
    }
    state.counters["registered"] = double(manager.RegisteredIds().size());
    state.counters["refused_per_round"] = double(refused) / double(std::max<benchmark::IterationCount>(1, state.iterations()));
}
BENCHMARK(BM_RebuildRegistrations)->Arg(0)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
