#pragma once
// Settings, language and data-log files are lists of lines. Reading honours a UTF-8 or UTF-16 byte-order
// mark; a file without one is UTF-8 when its bytes are valid UTF-8, else Windows-1252, the code page in which
// existing settings and language files were written. CR LF, CR or LF end a line. Writing ends every line
// with CR LF and uses the encoding the caller names, normally that of the file it read last.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace textfile {

enum class Codec { Utf8, Utf16LE, Utf16BE, Windows1252 };

struct Encoding {
    Codec codec = Codec::Utf8;
    bool byteOrderMark = false;
    bool operator==(const Encoding&) const = default;
};

struct Document {
    QStringList lines;
    Encoding encoding;
};

// The encoding a file's first bytes announce with a byte-order mark; byteOrderMark false when they have none.
Encoding markedEncoding(const QByteArray& start);
// The mark's bytes: three for UTF-8, two for UTF-16.
QByteArray byteOrderMark(Codec codec);

Document decode(const QByteArray& bytes);
// Characters that Windows-1252 cannot hold would be lost: such a text is written as UTF-8 with a mark
// instead, which every reader of these files recognises.
QByteArray encode(const QStringList& lines, Encoding encoding);

// Throw UserError with the reason when the file cannot be read or written.
Document read(const QString& path);
// Atomic: the lines go to a temporary file beside the target, which then replaces it, so an interrupted or
// failed write never leaves a truncated file behind.
void write(const QString& path, const QStringList& lines, Encoding encoding);

QString fromWindows1252(const QByteArray& bytes);
// False in ok when a character has no Windows-1252 byte.
QByteArray toWindows1252(const QString& text, bool* ok = nullptr);

} // namespace textfile
