#include "records/PageSalvage.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <cstring>

namespace records::page_salvage {
namespace {

constexpr char Magic[] = "SQLite format 3";
constexpr int FileHeader = 100, WalHeader = 32, FrameHeader = 24;
constexpr quint8 TableLeaf = 0x0D;

quint32 big(const char* p, int bytes) {
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | quint8(p[i]);
    return v;
}

bool validPageSize(quint32 size) { return size >= 512 && size <= 65536 && (size & (size - 1)) == 0; }

// A SQLite varint at p, no further than end; false when it runs past end.
bool varint(const char*& p, const char* end, qint64* value) {
    quint64 v = 0;
    for (int i = 0; i < 9; ++i) {
        if (p >= end)
            return false;
        const quint8 byte = quint8(*p++);
        if (i == 8) {
            *value = qint64((v << 8) | byte);
            return true;
        }
        v = (v << 7) | (byte & 0x7f);
        if (!(byte & 0x80)) {
            *value = qint64(v);
            return true;
        }
    }
    return false;
}

// The pages of the file and, newer, of the log, by number: for following a row into its overflow pages.
class Pages {
public:
    Pages(QByteArrayView database, QByteArrayView log, quint32 size) : size_(size) {
        for (qsizetype at = 0; at + size <= database.size(); at += size)
            pages_.insert(quint32(at / size) + 1, database.data() + at);
        for (qsizetype at = WalHeader; log.size() >= WalHeader && at + FrameHeader + size <= log.size();
             at += FrameHeader + size) {
            const quint32 number = big(log.data() + at, 4);
            if (number > 0)
                pages_.insert(number, log.data() + at + FrameHeader);
            frames_.append(log.data() + at + FrameHeader);
        }
    }
    quint32 size() const { return size_; }
    const char* page(quint32 number) const { return pages_.value(number); }
    // Every page to look at: the file's in order, then the log's frames.
    QList<std::pair<quint32, const char*>> all(QByteArrayView database) const {
        QList<std::pair<quint32, const char*>> list;
        for (qsizetype at = 0; at + size_ <= database.size(); at += size_)
            list.append({quint32(at / size_) + 1, database.data() + at});
        for (const char* frame : frames_)
            list.append({big(frame - FrameHeader, 4), frame});
        return list;
    }

private:
    quint32 size_;
    QHash<quint32, const char*> pages_;
    QList<const char*> frames_;
};

// The payload of one cell: its local part and the overflow chain, cut short where the chain breaks.
QByteArray payloadOf(const Pages& pages, const char* local, qint64 total, qint64 localSize, quint32 usable) {
    QByteArray payload(local, int(localSize));
    quint32 next = localSize < total ? big(local + localSize, 4) : 0;
    QSet<quint32> seen;
    while (next != 0 && payload.size() < total && !seen.contains(next)) {
        seen.insert(next);
        const char* page = pages.page(next);
        if (!page)
            break;
        const qint64 take = std::min<qint64>(usable - 4, total - payload.size());
        payload.append(page + 4, int(take));
        next = big(page, 4);
    }
    return payload;
}

// The columns of one record payload; false when it is no well-formed record.
bool columnsOf(const QByteArray& payload, QVariantList* columns) {
    const char* p = payload.constData();
    const char* end = p + payload.size();
    qint64 headerSize = 0;
    if (!varint(p, end, &headerSize) || headerSize < 1 || headerSize > payload.size())
        return false;
    const char* headerEnd = payload.constData() + headerSize;
    const char* body = headerEnd;
    while (p < headerEnd) {
        qint64 type = 0;
        if (!varint(p, headerEnd, &type) || type == 10 || type == 11 || type < 0)
            return false;
        static constexpr int IntBytes[] = {0, 1, 2, 3, 4, 6, 8};
        const qint64 length = type <= 6 ? IntBytes[type] : type == 7 ? 8 : type <= 9 ? 0 : (type - 12) / 2;
        if (length > end - body)
            return false;
        if (type == 0) {
            columns->append(QVariant());
        } else if (type <= 6) {
            qint64 v = qint8(body[0]); // sign from the first byte
            for (qint64 i = 1; i < length; ++i)
                v = v * 256 + quint8(body[i]);
            columns->append(v);
        } else if (type == 7) {
            const quint64 bits = (quint64(big(body, 4)) << 32) | big(body + 4, 4);
            double d = 0;
            std::memcpy(&d, &bits, sizeof d);
            columns->append(d);
        } else if (type <= 9) {
            columns->append(qint64(type - 8));
        } else if (type % 2 == 1) {
            columns->append(QString::fromUtf8(body, length));
        } else {
            columns->append(QByteArray(body, length));
        }
        body += length;
    }
    return p == headerEnd;
}

void rowsOfPage(const Pages& pages, quint32 number, const char* page, quint32 usable, QList<Row>* rows) {
    const char* header = page + (number == 1 ? FileHeader : 0);
    if (quint8(header[0]) != TableLeaf)
        return;
    const quint32 cells = big(header + 3, 2);
    const quint32 size = pages.size();
    const qint64 maxLocal = qint64(usable) - 35;
    const qint64 minLocal = (qint64(usable) - 12) * 32 / 255 - 23;
    for (quint32 i = 0; i < cells; ++i) {
        const qint64 pointerAt = (header - page) + 8 + 2 * qint64(i);
        if (pointerAt + 2 > size)
            return;
        const quint32 offset = big(page + pointerAt, 2);
        if (offset < 8 || offset >= usable)
            continue;
        const char* p = page + offset;
        const char* end = page + usable;
        Row row;
        qint64 total = 0;
        if (!varint(p, end, &total) || !varint(p, end, &row.rowid) || total < 0 || total > (1 << 30))
            continue;
        qint64 local = total;
        if (total > maxLocal) {
            const qint64 k = minLocal + (total - minLocal) % (qint64(usable) - 4);
            local = k <= maxLocal ? k : minLocal;
        }
        if (local + (local < total ? 4 : 0) > end - p)
            continue;
        if (columnsOf(payloadOf(pages, p, total, local, usable), &row.columns))
            rows->append(row);
    }
}

QList<Row> rowsWithPageSize(QByteArrayView database, QByteArrayView log, quint32 size, quint32 reserved) {
    QList<Row> rows;
    if (!validPageSize(size) || reserved >= size / 2)
        return rows;
    const Pages pages(database, log, size);
    for (const auto& [number, page] : pages.all(database))
        rowsOfPage(pages, number, page, size - reserved, &rows);
    return rows;
}

} // namespace

QList<Row> tableRows(QByteArrayView database, QByteArrayView log) {
    const bool header = database.size() >= FileHeader && std::memcmp(database.data(), Magic, 16) == 0;
    if (header) {
        const quint32 size = big(database.data() + 16, 2);
        return rowsWithPageSize(database, log, size == 1 ? 65536 : size, quint8(database[20]));
    }
    if (log.size() >= WalHeader && validPageSize(big(log.data() + 8, 4)))
        return rowsWithPageSize(database, log, big(log.data() + 8, 4), 0);
    QList<Row> best;
    for (quint32 size = 512; size <= 65536; size *= 2) {
        QList<Row> rows = rowsWithPageSize(database, log, size, 0);
        if (rows.size() > best.size())
            best = std::move(rows);
    }
    return best;
}

} // namespace records::page_salvage
