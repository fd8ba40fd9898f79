#include "uPaste.h"

#include <QElapsedTimer>
#include <QThread>

using namespace platform;

namespace {

constexpr int MaxReleaseInputs = 8;
constexpr quint32 VK_V = 0x56;

bool AnyModifierHeld(DesktopInput &Input)
{
    for (quint32 key : PasteModifierKeys)
        if (Input.isKeyHeld(key))
            return true;
    return false;
}

} // namespace

void AddKeyUpIfPressed(DesktopInput &Input, quint32 Key, QList<KeyInput> &Inputs, int &Count)
{
    if (Count >= MaxReleaseInputs || !Input.isKeyHeld(Key))
        return;
    Inputs.append({Key, true});
    ++Count;
}

void ReleaseModifierKeys(DesktopInput &Input)
{
    QList<KeyInput> inputs;
    int count = 0;
    for (quint32 key : PasteModifierKeys)
        AddKeyUpIfPressed(Input, key, inputs, count);
    if (count > 0)
        Input.sendInput(inputs);
}

void WaitForModifiersReleased(DesktopInput &Input, int TimeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (!AnyModifierHeld(Input))
            return;
        QThread::msleep(10);
        if (clock.elapsed() >= TimeoutMs)
            return;
    }
}

void SendCtrlV(DesktopInput &Input)
{
    ReleaseModifierKeys(Input);
    WaitForModifiersReleased(Input, 300);
    QThread::msleep(20);
    Input.sendInput({{VK_CONTROL, false}, {VK_V, false}, {VK_V, true}, {VK_CONTROL, true}});
}

void PasteToWindow(DesktopInput &Input, WindowHandle Target)
{
    // X11 has no per-thread input state to attach to, so the focus change is
    // the whole of the preparation.
    if (Target != 0 && Input.isWindow(Target)) {
        if (Input.isIconic(Target))
            Input.restoreWindow(Target);
        Input.bringToFront(Target);
        QThread::msleep(40);
    }
    SendCtrlV(Input);
}
