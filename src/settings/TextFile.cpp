#include "settings/TextFile.h"

#include "Errors.h"
#include "WholeFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace textfile {

namespace {

// Bytes 0x80 to 0x9F of Windows-1252; the five bytes the code page leaves undefined map to the control
// characters of the same number, as Windows itself does, so they survive a round trip.
constexpr std::array<char16_t, 32> High1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const QByteArray Utf8Mark("\xEF\xBB\xBF", 3);
const QByteArray Utf16LEMark("\xFF\xFE", 2);
const QByteArray Utf16BEMark("\xFE\xFF", 2);

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

QString decodeWith(QStringConverter::Encoding encoding, const QByteArray& bytes, bool* valid = nullptr) {
    // The mark is taken off before; a U+FEFF after it is text, which Qt would drop as a second mark, so
    // that every save would lose one from the first line.
    QStringDecoder decoder(encoding,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (valid)
        *valid = !decoder.hasError();
    return text;
}

QByteArray encodeWith(QStringConverter::Encoding encoding, const QString& text) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

} // namespace

QString fromWindows1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(High1252[b - 0x80]) : QChar(b));
    }
    return text;
}

QByteArray toWindows1252(const QString& text, bool* ok) {
    QByteArray bytes;
    bytes.reserve(text.size());
    bool all = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes.append(static_cast<char>(u));
            continue;
        }
        int found = -1;
        for (int i = 0; i < static_cast<int>(High1252.size()); ++i)
            if (High1252[i] == u)
                found = i;
        if (found < 0) {
            all = false;
            bytes.append('?');
        } else {
            bytes.append(static_cast<char>(0x80 + found));
        }
    }
    if (ok)
        *ok = all;
    return bytes;
}

Encoding markedEncoding(const QByteArray& start) {
    if (start.startsWith(Utf8Mark))
        return {Codec::Utf8, true};
    if (start.startsWith(Utf16LEMark))
        return {Codec::Utf16LE, true};
    if (start.startsWith(Utf16BEMark))
        return {Codec::Utf16BE, true};
    return {};
}

QByteArray byteOrderMark(Codec codec) {
    switch (codec) {
    case Codec::Utf16LE:
        return Utf16LEMark;
    case Codec::Utf16BE:
        return Utf16BEMark;
    case Codec::Utf8:
        return Utf8Mark;
    case Codec::Windows1252:
        break;
    }
    return {};
}

Document decode(const QByteArray& bytes) {
    Document document;
    QString text;
    document.encoding = markedEncoding(bytes);
    if (document.encoding.byteOrderMark) {
        const QStringConverter::Encoding unicode =
            document.encoding.codec == Codec::Utf16LE   ? QStringConverter::Utf16LE
            : document.encoding.codec == Codec::Utf16BE ? QStringConverter::Utf16BE
                                                        : QStringConverter::Utf8;
        text = decodeWith(unicode, bytes.mid(byteOrderMark(document.encoding.codec).size()));
    } else {
        bool valid = false;
        text = decodeWith(QStringConverter::Utf8, bytes, &valid);
        if (valid) {
            document.encoding = {Codec::Utf8, false};
        } else {
            document.encoding = {Codec::Windows1252, false};
            text = fromWindows1252(bytes);
        }
    }
    document.lines = splitLines(text);
    return document;
}

QByteArray encode(const QStringList& lines, Encoding encoding) {
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    switch (encoding.codec) {
    case Codec::Windows1252: {
        bool ok = true;
        QByteArray bytes = toWindows1252(text, &ok);
        if (ok)
            return bytes;
        return Utf8Mark + encodeWith(QStringConverter::Utf8, text);
    }
    case Codec::Utf16LE:
        return (encoding.byteOrderMark ? Utf16LEMark : QByteArray()) +
               encodeWith(QStringConverter::Utf16LE, text);
    case Codec::Utf16BE:
        return (encoding.byteOrderMark ? Utf16BEMark : QByteArray()) +
               encodeWith(QStringConverter::Utf16BE, text);
    case Codec::Utf8:
        break;
    }
    return (encoding.byteOrderMark ? Utf8Mark : QByteArray()) + encodeWith(QStringConverter::Utf8, text);
}

Document read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    return decode(bytes);
}

void write(const QString& path, const QStringList& lines, Encoding encoding) {
    QString reason;
    if (!writeWholeFile(path, encode(lines, encoding), &reason))
        throw UserError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

} // namespace textfile
