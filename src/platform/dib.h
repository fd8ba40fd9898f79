#pragma once

// Device-independent bitmaps as the clipboard carries them (CF_DIB, CF_DIBV5)
// and as BMP files carry them (image/bmp).
//
// A packed DIB is a BITMAPINFOHEADER, BITMAPV4HEADER or BITMAPV5HEADER, then
// the colour masks when they are not part of the header, the palette, and the
// pixel rows. Every function here treats its input as untrusted: a header that
// does not fit the bytes gives no result, never a read past the end and never
// an allocation far beyond what the bytes can describe.

#include <QByteArray>
#include <QImage>

namespace platform {

// Decodes a packed DIB: 1, 4, 8, 16, 24 and 32 bits per pixel, BI_RGB and
// BI_BITFIELDS, bottom-up and top-down rows. A null image when the bytes do
// not hold a valid DIB.
QImage dibToImage(const QByteArray &dib);

// Encodes an image as a packed DIB with a BITMAPINFOHEADER (CF_DIB).
// Empty for a null image.
QByteArray imageToDib(const QImage &image);

// The size of a DIB's header (40, 108 or 124), or 0 when the bytes do not
// begin with a DIB header this code reads.
quint32 dibHeaderSize(const QByteArray &dib);

// A BMP file is a 14-byte file header before a DIB whose pixels may lie
// anywhere after it. bmpFileToDib returns the packed DIB (empty when the file
// is not a valid BMP); dibToBmpFile puts a file header before a packed DIB
// (empty when the DIB is not valid).
QByteArray bmpFileToDib(const QByteArray &bmp);
QByteArray dibToBmpFile(const QByteArray &dib);

} // namespace platform
