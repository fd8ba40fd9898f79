#include "uClipHotkeyDialog.h"

#include "uData.h"
#include "uHotkeyEdit.h"
#include "uShortcut.h"
#include "uSqlite.h"
#include "uUtils.h"

#include "translation.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int Margin = 12;
constexpr int Gap = 8;
constexpr int ButtonHeight = 30;

int ButtonWidth(const QPushButton *Button)
{
    return qMax(75, Button->fontMetrics().horizontalAdvance(Button->text()) + 24);
}

void Warn(QWidget *Owner, const char *Text)
{
    QMessageBox::warning(Owner, QString::fromLatin1(ApplicationTitle), TranslateText(QString::fromLatin1(Text)),
                         QMessageBox::Ok);
}

} // namespace

TClipHotkeyDialog::TClipHotkeyDialog(QWidget *Owner)
    : QDialog(Owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(TranslateText(QStringLiteral("Set Clip Hotkey")));
    if (Owner)
        setFont(Owner->font());

    lblPrompt = new QLabel(TranslateText(QStringLiteral("Press the desired hotkey combination for this clip:")), this);
    lblPrompt->setWordWrap(false);
    lblPrompt->adjustSize();
    edtHotkey = new THotkeyEdit(this);
    edtHotkey->FRequireModifier = false;
    btnOK = new QPushButton(TranslateText(QStringLiteral("OK")), this);
    btnCancel = new QPushButton(TranslateText(QStringLiteral("Cancel")), this);
    btnRemove = new QPushButton(TranslateText(QStringLiteral("Remove")), this);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, [this] { done(Accepted); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(Rejected); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { done(ResultRemove); });

    for (QPushButton *b : {btnOK, btnCancel, btnRemove})
        b->resize(ButtonWidth(b), ButtonHeight);
    const int buttons = btnOK->width() + btnCancel->width() + btnRemove->width() + 2 * Gap + 2 * Margin;
    resize(qMax(qMax(buttons, lblPrompt->width() + 2 * Margin), 430), height());
    PlaceControls();
    resize(width(), btnOK->geometry().bottom() + 1 + Margin);
    setMinimumSize(size());
    edtHotkey->setFocus();

    if (Owner) {
        const QRect o = Owner->frameGeometry();
        move(o.center() - QPoint(width() / 2, height() / 2));
    }
}

void TClipHotkeyDialog::PlaceControls()
{
    lblPrompt->move(Margin, Margin);
    const int editTop = Margin + lblPrompt->height() + Gap;
    edtHotkey->setGeometry(Margin, editTop, width() - 2 * Margin, edtHotkey->sizeHint().height());
    const int buttonTop = edtHotkey->geometry().bottom() + 1 + Gap + 2;
    int right = width() - Margin;
    for (QPushButton *b : {btnRemove, btnCancel, btnOK}) {
        b->move(right - b->width(), buttonTop);
        right = b->x() - Gap;
    }
}

void TClipHotkeyDialog::resizeEvent(QResizeEvent *Event)
{
    QDialog::resizeEvent(Event);
    PlaceControls();
}

bool ShowClipHotkeyDialog(QWidget *Owner, TdmData &Data, qint64 ClipId, int &Modifiers, int &VirtualKey,
                          QString &HotkeyText)
{
    Modifiers = 0;
    VirtualKey = 0;
    HotkeyText.clear();

    TClipHotkeyDialog dialog(Owner);
    TSqliteQuery q(Data.FDConnection, QStringLiteral("SELECT hotkey_mods, hotkey_vk FROM items WHERE id=:id"));
    q.bindInt64(":id", ClipId);
    q.open();
    if (!q.eof()) {
        int m = int(q.field("hotkey_mods").asInt64());
        int k = int(q.field("hotkey_vk").asInt64());
        ConvertOlderHotkeyForm(m, k);
        if (k != 0)
            dialog.edtHotkey->SetHotKey(HotkeyToShortcut(m, k));
    }

    const int result = dialog.exec();
    if (result == TClipHotkeyDialog::ResultRemove)
        return true;
    if (result != QDialog::Accepted)
        return false;

    const quint16 shortcut = dialog.edtHotkey->HotKey();
    if (shortcut == 0) {
        Warn(Owner, "Please choose a valid hotkey or press Remove.");
        return false;
    }
    int m = 0;
    int k = 0;
    ShortcutToHotkey(shortcut, m, k);
    if (m == 0 || k == 0) {
        Warn(Owner, "Please choose a valid hotkey with modifier keys.");
        return false;
    }
    Modifiers = m;
    VirtualKey = k;
    HotkeyText = ShortcutToText(shortcut);
    return true;
}
