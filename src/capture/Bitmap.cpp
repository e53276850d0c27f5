#include "capture/Bitmap.h"

#include "Errors.h"
#include "WholeFile.h"

#include <QImage>

#include <cstring>

namespace bitmap {

namespace {
void put16(char* at, std::uint16_t value) {
    at[0] = char(value & 0xFF);
    at[1] = char(value >> 8);
}
void put32(char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = char((value >> (8 * i)) & 0xFF);
}
} // namespace

std::uint64_t fileSize(std::uint64_t width, std::uint64_t height) {
    return HeaderSize + (3 * width + 3) / 4 * 4 * height;
}

bool fits(std::uint64_t width, std::uint64_t height) { return fileSize(width, height) <= 0xFFFFFFFFu; }

QByteArray encode(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const auto width = std::uint64_t(rgb.width());
    const auto height = std::uint64_t(rgb.height());
    const std::uint64_t size = fileSize(width, height);
    if (!fits(width, height))
        throw UserError(
            QStringLiteral("A picture of %1 x %2 pixels does not fit into a bitmap file (%3 bytes, "
                           "the format holds at most 4 GiB).")
                .arg(width)
                .arg(height)
                .arg(size));
    const std::uint64_t row = (3 * width + 3) / 4 * 4;
    QByteArray bytes(qsizetype(size), '\0');
    char* d = bytes.data();
    d[0] = 'B';
    d[1] = 'M';
    put32(d + 2, std::uint32_t(size));
    put32(d + 10, HeaderSize);
    put32(d + 14, 40);
    put32(d + 18, std::uint32_t(width));
    put32(d + 22, std::uint32_t(height));
    put16(d + 26, 1);
    put16(d + 28, 24);
    for (std::uint64_t y = 0; y < height; ++y) {
        const uchar* source = rgb.constScanLine(int(height - 1 - y));
        char* target = d + HeaderSize + y * row;
        for (std::uint64_t x = 0; x < width; ++x) {
            target[3 * x] = char(source[3 * x + 2]);
            target[3 * x + 1] = char(source[3 * x + 1]);
            target[3 * x + 2] = char(source[3 * x]);
        }
    }
    return bytes;
}

QString fileNameFor(const QString& chosenName) {
    if (chosenName.endsWith(QLatin1Char('p')) || chosenName.endsWith(QLatin1Char('P')))
        return chosenName;
    return chosenName + QStringLiteral(".bmp");
}

void write(const QString& path, const QImage& image) {
    QString reason;
    if (!writeWholeFile(path, encode(image), &reason))
        throw UserError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
}

} // namespace bitmap
