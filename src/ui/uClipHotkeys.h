#pragma once

// The program's hotkeys: id 1 minimises or restores the main window (from
// the settings), id 2 (Ctrl with the grave-accent key) pastes the newest
// clip, and clip id + 1000 pastes that clip. Every registration is rebuilt
// from the settings and the clips' stored combinations.

#include <QString>

class QObject;
class TdmData;
class TfrmMain;
class THotkeyManager;

namespace platform {
class DesktopInput;
class GlobalHotkeys;
}

inline constexpr int MinimizeRestoreHotkeyId = 1;
inline constexpr int PasteNewestHotkeyId = 2;
inline constexpr int ClipHotkeyIdBase = 1000;

int ClipIdToHotkeyId(qint64 ClipId);
// 0 for ids below 1000.
qint64 HotkeyIdToClipId(int HotkeyId);

class TClipHotkeys {
public:
    TClipHotkeys(TfrmMain &Main, TdmData &Data, platform::GlobalHotkeys &Hotkeys, platform::DesktopInput &Input);

    void HandleHotkey(QObject *Sender, int HotkeyId);
    // Ids 2 and 1; warns when another program holds the minimize/restore
    // combination, once until the combination changes or registers.
    void RegisterMinimizeRestoreHotkey();
    // Unregisters everything, then registers ids 2 and 1 and the clips'
    // hotkeys. A clip whose combination is taken (by a clip of lower id, by
    // ids 2 and 1, or by another program) loses it in the database.
    void RegisterClipHotkeys();
    // After the user applies the settings, a refused combination is told again.
    void ForgetMinimizeRestoreWarning() { FWarnedCombo.clear(); }

    THotkeyManager *FHotkeys = nullptr;

private:
    // The enabled minimize/restore combination of the settings dialog.
    bool MinimizeRestoreCombo(int &Modifiers, int &VirtualKey) const;
    void PasteClip(qint64 ClipId);

    TfrmMain &FMain;
    TdmData &FData;
    platform::DesktopInput &FInput;
    QString FWarnedCombo; // the refused combination already warned about
};
