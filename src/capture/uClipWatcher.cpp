#include "uClipWatcher.h"

#include <QCryptographicHash>
#include <QEvent>

#include <chrono>

using namespace platform;

namespace {

quint32 tickCount()
{
    using namespace std::chrono;
    return quint32(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void addToDigest(QCryptographicHash &hash, char tag, QByteArrayView bytes)
{
    // Tag and length keep the parts apart, so that moving bytes from one part
    // to the next gives another digest.
    const qint64 size = bytes.size();
    hash.addData(QByteArrayView(&tag, 1));
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(&size), sizeof size));
    hash.addData(bytes);
}

QByteArrayView utf16Bytes(const QString &s)
{
    return QByteArrayView(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
}

} // namespace

class TClipWatcher::TMessageWindow : public QObject {
public:
    explicit TMessageWindow(TClipWatcher *watcher) : QObject(watcher), m_watcher(watcher) {}

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == ClipboardUpdateEvent) {
            m_watcher->WndProc(e);
            return true;
        }
        return QObject::event(e);
    }

private:
    TClipWatcher *m_watcher;
};

TClipWatcher::TClipWatcher(QObject *AOwner, Clipboard &Clipboard) : QObject(AOwner), FClipboard(Clipboard)
{
    FWnd = new TMessageWindow(this);
    FClipboard.addFormatListener(FWnd);
    FDebounceMs = 300;
    FWatching = true;
}

TClipWatcher::~TClipWatcher()
{
    FClipboard.removeFormatListener(FWnd);
    delete FWnd;
    FWnd = nullptr;
}

void TClipWatcher::IgnoreNextUpdate()
{
    FIgnoreNext = true;
}

void TClipWatcher::StartWatching()
{
    if (!FWatching && FWnd) {
        FClipboard.addFormatListener(FWnd);
        FWatching = true;
    }
}

void TClipWatcher::StopWatching()
{
    if (FWatching && FWnd) {
        FClipboard.removeFormatListener(FWnd);
        FWatching = false;
    }
}

QString TClipWatcher::ClipSignature(const TCapturedClip &Clip)
{
    if (!Clip.HasAny())
        return {};
    QString sig;
    QCryptographicHash digest(QCryptographicHash::Sha1);
    if (Clip.HasFiles) {
        sig += QStringLiteral("FILES:") + QString::number(Clip.FilesText.size());
        addToDigest(digest, 'F', utf16Bytes(Clip.FilesText));
    }
    if (Clip.HasText) {
        sig += QStringLiteral("|TXT:") + QString::number(Clip.Text.size());
        addToDigest(digest, 'T', utf16Bytes(Clip.Text));
    }
    if (Clip.HasHtml) {
        sig += QStringLiteral("|HTML:") + QString::number(Clip.HtmlBytes.size());
        addToDigest(digest, 'H', Clip.HtmlBytes);
    }
    if (Clip.HasRtf) {
        sig += QStringLiteral("|RTF:") + QString::number(Clip.RtfBytes.size());
        addToDigest(digest, 'R', Clip.RtfBytes);
    }
    if (Clip.HasImage) {
        sig += QStringLiteral("|IMG:") + QString::number(Clip.PngBytes.size()) + QLatin1Char(':')
            + QString::number(Clip.ImageRawBytes.size()) + QLatin1Char(':') + Clip.ImageRawFormat;
        addToDigest(digest, 'P', Clip.PngBytes);
        addToDigest(digest, 'I', Clip.ImageRawBytes);
    }
    sig += QLatin1Char('#') + QString::fromLatin1(digest.result().toHex());
    return sig;
}

void TClipWatcher::WndProc(QEvent *Message)
{
    Q_UNUSED(Message);
    if (FIgnoreNext) {
        FIgnoreNext = false;
        return;
    }
    // A content marked as not for a history is not even read, and leaves the
    // last signature as it was.
    if (ClipboardIsConcealed(FClipboard, FWnd))
        return;

    // One snapshot serves both the comparison and the event, so that the clip
    // handed on is the one whose signature was recorded.
    TCapturedClip clip;
    const bool captured = CaptureClipboard(FClipboard, clip, FWnd);
    const QString sig = captured ? ClipSignature(clip) : QString();
    const quint32 tick = tickCount();

    if (!sig.isEmpty() && sig == FLastSig) {
        FLastTick = tick;
        return;
    }
    FLastSig = sig;
    FLastTick = tick;
    if (captured && FOnNewClip)
        FOnNewClip(clip);
}
