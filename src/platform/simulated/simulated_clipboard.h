#pragma once

// An in-memory clipboard with the semantics of the Windows one, for tests:
// another program can hold it open so that opens fail, allocations can be
// larger than their data, CF_TEXT and CF_UNICODETEXT are synthesised from
// each other, CF_BITMAP from a DIB and CF_DIB from a bitmap, and every change
// posts an update to every listener through the event loop when the changer
// closes the clipboard.

#include "../clipboard.h"

#include <QList>
#include <QMap>
#include <QSet>

namespace platform {

class SimulatedClipboard : public ClipboardBase {
public:
    SimulatedClipboard();
    ~SimulatedClipboard() override;

    bool isFormatAvailable(FormatId format) override;
    bool open(ClipboardOwner owner) override;
    void close() override;
    bool empty() override;
    std::optional<QByteArray> data(FormatId format) override;
    bool setData(FormatId format, const QByteArray &bytes) override;
    QImage bitmap() override;
    bool setBitmap(const QImage &image) override;

    // --- What a test uses to play the other programs and to look inside. ---

    struct Offered {
        FormatId format = 0;
        QByteArray data;
        // Size of the allocation that holds the data (zero-filled beyond it);
        // -1 for exactly the data's size.
        qsizetype allocation = -1;
    };

    // Another program replaces the content: open, empty, put the formats (and
    // a bitmap, when not null), close. Answers false when the clipboard is
    // held open, as the other program's open would fail.
    bool offerAsOtherProgram(const QList<Offered> &formats, const QImage &bitmap = {});
    // Another program empties the clipboard.
    bool emptyAsOtherProgram();
    // Convenience: another program copies a text (as CF_UNICODETEXT).
    bool offerText(const QString &text);

    // While held, every open fails (another program has the clipboard open).
    void setHeldOpenByOtherProgram(bool held);
    // The next count opens fail, then opens succeed again.
    void failNextOpens(int count);
    // Every open attempt, successful or not, since construction or the last reset.
    int openAttempts() const { return m_openAttempts; }
    void resetOpenAttempts() { m_openAttempts = 0; }

    // setData and setBitmap refuse these formats, as when memory runs out.
    void setRefusedFormats(const QSet<FormatId> &formats) { m_refused = formats; }

    bool isOpen() const { return m_open; }
    ClipboardOwner openedBy() const { return m_openedBy; }
    // Owner of the content: whoever emptied it last (nullptr for another program).
    ClipboardOwner contentOwner() const { return m_contentOwner; }
    // The formats put on the clipboard, in the order they were put (synthesised
    // ones not included).
    QList<FormatId> formatsInOrder() const { return m_order; }
    // The bytes a format holds as put, without allocation slack; empty when absent.
    QByteArray storedBytes(FormatId format) const;
    QImage storedBitmap() const { return m_bitmap; }
    using ClipboardBase::formatName;
    // Number of changes made so far (each close after a change counts one).
    int changeCount() const { return m_changeCount; }

private:
    struct Entry {
        QByteArray data;
        qsizetype allocation = 0;
    };

    void putEntry(FormatId format, const QByteArray &data, qsizetype allocation);
    void clearContent();
    std::optional<QImage> synthesisedBitmap() const;

    QMap<FormatId, Entry> m_content;
    QList<FormatId> m_order;
    QImage m_bitmap;

    bool m_open = false;
    ClipboardOwner m_openedBy = nullptr;
    ClipboardOwner m_contentOwner = nullptr;
    bool m_changedInSession = false;
    bool m_heldByOther = false;
    int m_failOpens = 0;
    int m_openAttempts = 0;
    int m_changeCount = 0;
    QSet<FormatId> m_refused;
};

} // namespace platform
