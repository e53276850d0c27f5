// Pictures of every size and pixel format the window can be grabbed in, as bitmap files.
#include "Fuzz.h"
#include "capture/Bitmap.h"

#include <QImage>

#include <algorithm>
#include <cstring>

namespace {
std::uint32_t at32(const QByteArray& bytes, int offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    // Up to 255 x 255: sizes beyond 32 bits of bytes would not fit the memory limit of a fuzz run.
    const int width = (data[0] | data[1] << 8) & 0xFF;
    const int height = (data[2] | data[3] << 8) & 0xFF;
    const QImage::Format formats[] = {QImage::Format_RGB32,      QImage::Format_ARGB32, QImage::Format_RGB888,
                                      QImage::Format_Grayscale8, QImage::Format_RGB16,  QImage::Format_Mono};
    QImage image(width, height, formats[data[4] % std::size(formats)]);
    if (image.format() == QImage::Format_Mono)
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    image.fill(0);
    for (qsizetype i = 0; size > 5 && !image.isNull() && i < image.sizeInBytes(); i += qsizetype(size - 5))
        std::memcpy(image.bits() + i, data + 5,
                    std::min<std::size_t>(size - 5, std::size_t(image.sizeInBytes() - i)));
    const QByteArray file = bitmap::encode(image);
    const std::uint32_t row = (3 * std::uint32_t(width) + 3) / 4 * 4;
    FUZZ_CHECK(file.size() == qsizetype(54 + row * std::uint32_t(image.isNull() ? 0 : height)));
    FUZZ_CHECK(file.startsWith("BM") && at32(file, 2) == std::uint32_t(file.size()) && at32(file, 10) == 54);
    if (image.isNull())
        return 0;
    FUZZ_CHECK(at32(file, 18) == std::uint32_t(width) && at32(file, 22) == std::uint32_t(height));
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; x += std::max(1, width / 7)) {
            const char* pixel = file.constData() + 54 + (height - 1 - y) * row + 3 * x;
            FUZZ_CHECK(QColor(rgb.pixel(x, y)) == QColor(uchar(pixel[2]), uchar(pixel[1]), uchar(pixel[0])));
        }
    return 0;
}
