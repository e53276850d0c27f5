#pragma once
// Windows device-independent bitmaps as the program has always written them: a 14-byte file header, a
// 40-byte information header, then the rows bottom up, each pixel blue, green, red, each row padded with
// zero bytes to a multiple of 4. Written beside the target and then put in its place, so the file is
// exactly the new picture, and a failed write leaves the old one.

#include <QByteArray>
#include <QString>

class QImage;

#include <cstdint>

namespace bitmap {

constexpr std::uint32_t HeaderSize = 54;
// The size of the file for a picture, computed without overflow for any width and height.
std::uint64_t fileSize(std::uint64_t width, std::uint64_t height);
// Whether that file can be written: its header holds the size in 32 bits.
bool fits(std::uint64_t width, std::uint64_t height);
// Throws UserError for a picture that does not fit.
QByteArray encode(const QImage& image);
// Only the last character decides: a name ending in "p" or "P" is taken as it stands, any other gets ".bmp".
QString fileNameFor(const QString& chosenName);
// Throws UserError with the file name and the reason.
void write(const QString& path, const QImage& image);

} // namespace bitmap
