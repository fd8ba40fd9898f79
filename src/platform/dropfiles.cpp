#include "dropfiles.h"

#include "clipboard.h"

#include <QtEndian>

namespace platform {

namespace {
constexpr int HeaderSize = 20;
}

QByteArray buildDropFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return {};
    qsizetype units = 0;
    for (const QString &p : paths)
        units += p.size() + 1;
    QByteArray block(2 * units + HeaderSize + 2, '\0');
    char *d = block.data();
    qToLittleEndian<quint32>(HeaderSize, d);
    qToLittleEndian<quint32>(0xFFFFFFFFu, d + 16); // wide characters
    char *out = d + HeaderSize;
    for (const QString &p : paths) {
        for (QChar c : p) {
            qToLittleEndian<quint16>(c.unicode(), out);
            out += 2;
        }
        out += 2; // the NUL unit is already zero
    }
    return block;
}

QStringList parseDropFiles(const QByteArray &block)
{
    QStringList paths;
    if (block.size() < HeaderSize)
        return paths;
    const uchar *d = reinterpret_cast<const uchar *>(block.constData());
    const quint32 listOffset = qFromLittleEndian<quint32>(d);
    const bool wide = qFromLittleEndian<quint32>(d + 16) != 0;
    if (listOffset < HeaderSize || listOffset >= quint32(block.size()))
        return paths;

    const qsizetype size = block.size();
    qsizetype pos = listOffset;
    if (wide) {
        while (pos + 1 < size) {
            qsizetype end = pos;
            while (end + 1 < size && (d[end] | d[end + 1]) != 0)
                end += 2;
            if (end + 1 >= size)
                break; // not terminated inside the block
            if (end == pos)
                break; // the empty entry ends the list
            const qsizetype units = (end - pos) / 2;
            QString path(units, Qt::Uninitialized);
            for (qsizetype i = 0; i < units; ++i)
                path[i] = QChar(qFromLittleEndian<quint16>(d + pos + 2 * i));
            paths.append(path.left(MaxDropPathLength));
            pos = end + 2;
        }
    } else {
        while (pos < size) {
            qsizetype end = pos;
            while (end < size && d[end] != 0)
                ++end;
            if (end >= size || end == pos)
                break;
            paths.append(ansiToUnicode(block.mid(pos, end - pos)).left(MaxDropPathLength));
            pos = end + 1;
        }
    }
    return paths;
}

} // namespace platform
