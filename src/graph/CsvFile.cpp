#include "graph/CsvFile.h"

#include "Errors.h"
#include "graph/DataLog.h"
#include "settings/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace csv_file {

namespace {
using textfile::Codec;
constexpr qint64 BlockBytes = 1 << 20;

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Text with "\n" line ends in the codec, each line ended by CR LF. False in ok when Windows-1252 lacks a
// character.
QByteArray encode(const QString& text, Codec codec, bool* ok = nullptr) {
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    if (ok)
        *ok = true;
    switch (codec) {
    case Codec::Windows1252:
        return textfile::toWindows1252(crlf, ok);
    case Codec::Utf16LE:
        return QStringEncoder(QStringConverter::Utf16LE).encode(crlf);
    case Codec::Utf16BE:
        return QStringEncoder(QStringConverter::Utf16BE).encode(crlf);
    case Codec::Utf8:
        break;
    }
    return crlf.toUtf8();
}

QByteArray encodeRows(std::string_view rows, Codec codec) {
    if ((codec == Codec::Windows1252 || codec == Codec::Utf8) && isAscii(rows)) {
        QByteArray bytes;
        bytes.reserve(qsizetype(rows.size() + rows.size() / 32));
        for (const char c : rows) {
            if (c == '\n')
                bytes.append('\r');
            bytes.append(c);
        }
        return bytes;
    }
    return encode(QString::fromUtf8(rows.data(), qsizetype(rows.size())), codec);
}

bool fitsWindows1252(const DataLog& log, bool header, qsizetype firstRow) {
    bool ok = true;
    if (header)
        textfile::toWindows1252(log.header(), &ok);
    for (const std::string_view rows : log.rowsFrom(firstRow))
        if (ok && !isAscii(rows))
            textfile::toWindows1252(QString::fromUtf8(rows.data(), qsizetype(rows.size())), &ok);
    return ok;
}

// Qt sometimes has no words for a failed write ("Unknown error"); the system always has.
QString reasonOf(const QFileDevice& file, int error) {
    return error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : file.errorString();
}

[[noreturn]] void fail(const QString& verb, const QString& path, const QString& reason) {
    throw UserError(QStringLiteral("Cannot %1 file \"%2\". %3").arg(verb, path, reason));
}

void put(QSaveFile& file, const QByteArray& bytes) {
    errno = 0;
    if (file.write(bytes) != bytes.size())
        fail(QStringLiteral("write"), file.fileName(), reasonOf(file, errno));
}

void putRows(QSaveFile& file, const DataLog& log, Codec codec, qsizetype firstRow) {
    for (const std::string_view rows : log.rowsFrom(firstRow))
        put(file, encodeRows(rows, codec));
}

void open(QSaveFile& file) {
    const QFileInfo target(file.fileName());
    if (target.exists() && !target.isWritable())
        fail(QStringLiteral("write"), file.fileName(), QStringLiteral("The file is read-only."));
    // Unbuffered, so a failing write (full disk) is seen before commit() replaces the old file.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(QStringLiteral("create"), file.fileName(), reasonOf(file, errno));
}

void commit(QSaveFile& file) {
    errno = 0;
    if (!file.commit())
        fail(QStringLiteral("write"), file.fileName(), reasonOf(file, errno));
}

// What is known of a file before rows are appended to it.
struct Existing {
    textfile::Encoding encoding;
    qint64 size = 0;
    bool endsWithLineEnd = true;
};

Existing inspect(const QString& path) {
    if (QFileInfo(path).isDir())
        fail(QStringLiteral("open"), path, QStringLiteral("It is a folder, not a file."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("open"), path, file.errorString());
    Existing existing;
    existing.size = file.size();
    existing.encoding = textfile::markedEncoding(file.peek(3));
    const bool utf16 = existing.encoding.codec == Codec::Utf16LE || existing.encoding.codec == Codec::Utf16BE;
    // Rows after an odd byte would be read as characters straddling two code units: unreadable.
    if (utf16 && existing.size % 2 != 0)
        fail(QStringLiteral("append to"), path, QStringLiteral("It is not a text file."));
    QStringDecoder utf8(QStringConverter::Utf8);
    QByteArray last;
    while (!file.atEnd()) {
        const QByteArray block = file.read(BlockBytes);
        if (block.isEmpty() && file.error() != QFileDevice::NoError)
            fail(QStringLiteral("read"), path, file.errorString());
        if (!utf16 && block.contains('\0'))
            fail(QStringLiteral("append to"), path, QStringLiteral("It is not a text file."));
        if (!existing.encoding.byteOrderMark)
            static_cast<void>(QString(utf8.decode(block))); // decoding happens when the text is taken
        last = (last + block).right(4);
    }
    if (!existing.encoding.byteOrderMark)
        existing.encoding = {utf8.hasError() || endsInUnfinishedUtf8(last) ? Codec::Windows1252 : Codec::Utf8,
                             false};
    if (existing.size >
        (existing.encoding.byteOrderMark ? textfile::byteOrderMark(existing.encoding.codec).size() : 0)) {
        const QByteArray lf = existing.encoding.codec == Codec::Utf16LE   ? QByteArray("\n\0", 2)
                              : existing.encoding.codec == Codec::Utf16BE ? QByteArray("\0\n", 2)
                                                                          : QByteArray("\n");
        const QByteArray cr = existing.encoding.codec == Codec::Utf16LE   ? QByteArray("\r\0", 2)
                              : existing.encoding.codec == Codec::Utf16BE ? QByteArray("\0\r", 2)
                                                                          : QByteArray("\r");
        existing.endsWithLineEnd = last.endsWith(lf) || last.endsWith(cr);
    }
    return existing;
}
} // namespace

bool endsInUnfinishedUtf8(const QByteArray& tail) {
    // Back over continuation bytes to the byte that starts the last sequence.
    qsizetype start = tail.size() - 1;
    while (start >= 0 && start > tail.size() - 4 && (static_cast<unsigned char>(tail[start]) & 0xC0) == 0x80)
        --start;
    if (start < 0)
        return false;
    const auto lead = static_cast<unsigned char>(tail[start]);
    const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return tail.size() - start < length;
}

Target targetOf(const QString& chosenName) {
    if (chosenName.endsWith(QLatin1Char('v')) || chosenName.endsWith(QLatin1Char('V')))
        return {chosenName, true};
    return {chosenName + QStringLiteral(".csv"), false};
}

void writeNew(const QString& path, const DataLog& log) {
    const bool fits = fitsWindows1252(log, true, 0);
    const Codec codec = fits ? Codec::Windows1252 : Codec::Utf8;
    QSaveFile file(path);
    open(file);
    if (!fits)
        put(file, textfile::byteOrderMark(Codec::Utf8));
    put(file, encode(log.header() + QLatin1Char('\n'), codec));
    putRows(file, log, codec, 0);
    commit(file);
}

void appendRows(const QString& path, const DataLog& log, qsizetype firstRow) {
    const Existing existing = inspect(path);
    Codec codec = existing.encoding.codec;
    // Rows the file's code page cannot hold turn the whole file into UTF-8 with a mark, old lines included,
    // rather than losing characters.
    const bool convert = codec == Codec::Windows1252 && !fitsWindows1252(log, false, firstRow);
    QFile old(path);
    if (!old.open(QIODevice::ReadOnly))
        fail(QStringLiteral("open"), path, old.errorString());
    QSaveFile file(path);
    open(file);
    if (convert) {
        codec = Codec::Utf8;
        put(file, textfile::byteOrderMark(Codec::Utf8));
    }
    while (!old.atEnd()) {
        const QByteArray block = old.read(BlockBytes);
        if (block.isEmpty() && old.error() != QFileDevice::NoError)
            fail(QStringLiteral("read"), path, old.errorString());
        put(file, convert ? textfile::fromWindows1252(block).toUtf8() : block);
    }
    if (!existing.endsWithLineEnd)
        put(file, encode(QStringLiteral("\n"), codec));
    putRows(file, log, codec, firstRow);
    commit(file);
}

} // namespace csv_file
