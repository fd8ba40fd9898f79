#pragma once

// Turns clipboard changes into new-clip events: a hidden message window
// listens for clipboard updates, each update is read into a TCapturedClip,
// a true repeat of the last content is dropped, and every new content goes
// to the OnNewClip event.

#include "uClipboardUtils.h"

#include <QObject>

#include <functional>

using TOnNewClip = std::function<void(const TCapturedClip &Clip)>;

class TClipWatcher : public QObject {
public:
    // Starts watching at once. Owned by AOwner (freed with it).
    TClipWatcher(QObject *AOwner, platform::Clipboard &Clipboard);
    ~TClipWatcher() override;

    TOnNewClip FOnNewClip;

    // The next clipboard update is swallowed, whatever it carries (the
    // program's own write to the clipboard).
    void IgnoreNextUpdate();
    // Withdraws an IgnoreNextUpdate whose write did not happen.
    void CancelIgnoreNextUpdate() { FIgnoreNext = false; }
    void StartWatching();
    void StopWatching();
    bool IsWatching() const { return FWatching; }

    // The signature of the content: which parts are present and their sizes,
    // in a fixed order, then a digest of the contents; empty when nothing
    // was captured.
    static QString ClipSignature(const TCapturedClip &Clip);

    // The signature of the last content handed on or examined as new.
    QString LastSignature() const { return FLastSig; }
    // The message window: the owner the watcher opens the clipboard with.
    QObject *Window() const { return FWnd; }

private:
    class TMessageWindow;
    void WndProc(QEvent *Message);

    platform::Clipboard &FClipboard;
    QObject *FWnd = nullptr;
    bool FIgnoreNext = false;
    QString FLastSig;
    quint32 FLastTick = 0;
    quint32 FDebounceMs = 0;
    bool FWatching = false;
};
