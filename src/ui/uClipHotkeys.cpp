#include "uClipHotkeys.h"

#include "uData.h"
#include "uHotkeyEdit.h"
#include "uHotkeys.h"
#include "uMain.h"
#include "uSettings.h"
#include "uShortcut.h"
#include "uSqlite.h"
#include "uUtils.h"

#include "platform/desktop_input.h"
#include "platform/hotkeys.h"
#include "translation.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSet>

using namespace platform;

int ClipIdToHotkeyId(qint64 ClipId)
{
    return int(ClipId + ClipHotkeyIdBase);
}

qint64 HotkeyIdToClipId(int HotkeyId)
{
    return HotkeyId >= ClipHotkeyIdBase ? qint64(HotkeyId) - ClipHotkeyIdBase : 0;
}

TClipHotkeys::TClipHotkeys(TfrmMain &Main, TdmData &Data, GlobalHotkeys &Hotkeys, DesktopInput &Input)
    : FMain(Main), FData(Data), FInput(Input)
{
    FHotkeys = new THotkeyManager(&Main, Hotkeys);
    FHotkeys->FOnHotkey = [this](QObject *Sender, int HotkeyId) { HandleHotkey(Sender, HotkeyId); };
}

bool TClipHotkeys::MinimizeRestoreCombo(int &Modifiers, int &VirtualKey) const
{
    const TfrmSettings *settings = FMain.SettingsForm();
    if (!settings || !settings->chUseHotkeyToMinimizeAndRestoreProgram->isChecked())
        return false;
    ShortcutToHotkey(settings->HotKeyToMinimizeAndRestore->HotKey(), Modifiers, VirtualKey);
    return true;
}

void TClipHotkeys::RegisterMinimizeRestoreHotkey()
{
    if (!FHotkeys)
        return;
    FHotkeys->RegisterHotkey(PasteNewestHotkeyId, int(MOD_CONTROL), int(VK_OEM_3));
    FHotkeys->UnregisterHotkey(MinimizeRestoreHotkeyId);
    int m = 0;
    int k = 0;
    if (!MinimizeRestoreCombo(m, k) || m == 0 || k == 0) {
        FWarnedCombo.clear();
        return;
    }
    if (FHotkeys->RegisterHotkey(MinimizeRestoreHotkeyId, m, k)) {
        FWarnedCombo.clear();
        return;
    }
    // Every list rebuild registers again; while another program holds the
    // combination one warning is enough.
    const QString combo = HotkeyComboText(m, k);
    if (combo == FWarnedCombo)
        return;
    FWarnedCombo = combo;
    QMessageBox::warning(&FMain, QString::fromLatin1(ApplicationTitle),
                         TranslateText(QStringLiteral("Unable to register the minimize/restore hotkey because it is "
                                                      "already used by another application.")),
                         QMessageBox::Ok);
}

void TClipHotkeys::RegisterClipHotkeys()
{
    if (!FHotkeys)
        return;
    FHotkeys->UnregisterAll();
    RegisterMinimizeRestoreHotkey();

    QSet<QString> taken{HotkeyComboText(int(MOD_CONTROL), int(VK_OEM_3))};
    int m = 0;
    int k = 0;
    if (MinimizeRestoreCombo(m, k) && m != 0 && k != 0)
        taken.insert(HotkeyComboText(m, k));

    if (!FData.FDConnection.isOpen())
        return;
    struct TClipCombo {
        qint64 Id;
        int Modifiers;
        int VirtualKey;
    };
    // Read first: the loop below writes to the rows it reads.
    QList<TClipCombo> clips;
    TSqliteQuery q(FData.FDConnection,
                   QStringLiteral("SELECT id, hotkey_mods, hotkey_vk FROM items WHERE hotkey_vk IS NOT NULL AND "
                                  "hotkey_mods IS NOT NULL ORDER BY id"));
    for (q.open(); !q.eof(); q.next())
        clips.append({q.field("id").asInt64(), int(q.field("hotkey_mods").asInt64()),
                      int(q.field("hotkey_vk").asInt64())});

    for (TClipCombo c : clips) {
        if (c.VirtualKey >= 256) {
            const quint16 older = quint16(c.VirtualKey);
            ConvertOlderHotkeyForm(c.Modifiers, c.VirtualKey);
            FData.SetClipHotkey(c.Id, c.Modifiers, c.VirtualKey, ShortcutToText(older));
        }
        if (c.Modifiers == 0 || c.VirtualKey == 0)
            continue;
        const QString combo = HotkeyComboText(c.Modifiers, c.VirtualKey);
        if (!taken.contains(combo) && FHotkeys->RegisterHotkey(ClipIdToHotkeyId(c.Id), c.Modifiers, c.VirtualKey))
            taken.insert(combo);
        else
            FData.SetClipHotkey(c.Id, 0, 0, QString());
    }
}

void TClipHotkeys::HandleHotkey(QObject *, int HotkeyId)
{
    if (HotkeyId >= ClipHotkeyIdBase) {
        const qint64 clipId = HotkeyIdToClipId(HotkeyId);
        if (clipId != 0)
            PasteClip(clipId);
    } else if (HotkeyId == MinimizeRestoreHotkeyId) {
        if (FMain.isMinimized()) {
            FMain.showNormal();
            FMain.show();
            // Asked of the desktop as a pager would: the press came from no
            // event of ours, so an application's own request may be refused.
            FInput.bringToFront(WindowHandle(FMain.winId()));
            if (FMain.edtFilter->isVisible())
                FMain.edtFilter->setFocus();
        } else {
            FMain.showMinimized();
        }
    } else if (HotkeyId == PasteNewestHotkeyId) {
        const qint64 clipId = FMain.NewestClipId();
        if (clipId != 0)
            PasteClip(clipId);
    }
}

void TClipHotkeys::PasteClip(qint64 ClipId)
{
    const WindowHandle target = FMain.FindPasteTarget();
    if (!FMain.CopyClipToClipboard(ClipId))
        return;
    const bool toMain = target == 0 || target == WindowHandle(FMain.winId());
    FMain.StartPendingPaste(toMain ? 0 : target, true);
}
