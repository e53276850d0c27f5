#include "records/RecordsCsv.h"

#include "records/RecordStore.h"
#include "records/RecordText.h"

#include <QSaveFile>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace records {

namespace {
// Every text of a record may have been typed on any PC of the plant. A spreadsheet runs a cell that begins
// with one of these as a formula (some skip a leading tab or CR first); the apostrophe keeps it text. Only
// texts get it: a number the program wrote, "-12.5" among them, must stay a number.
QString textCell(const QString& text) {
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && formulaStarts.contains(text.front()) ? QLatin1Char('\'') + text : text;
}
} // namespace

QString csvLine(const QStringList& fields, const QString& delimiter) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields) {
        const bool needsQuotes = (!delimiter.isEmpty() && field.contains(delimiter)) ||
                                 field.contains(QLatin1Char('"')) || field.contains(QLatin1Char('\n')) ||
                                 field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\t'));
        if (!needsQuotes) {
            quoted.append(field);
            continue;
        }
        QString inner = field;
        inner.replace(QLatin1String("\""), QLatin1String("\"\""));
        quoted.append(QLatin1Char('"') + inner + QLatin1Char('"'));
    }
    return quoted.join(delimiter) + QLatin1String("\r\n");
}

QStringList csvFields(const Record& record, const QStringList& verdicts) {
    // Seconds and the offset: a spreadsheet reads "2026-03-02 14:05:09" as a time, and the offset says
    // whose clock it was.
    const QDateTime local = localTime(record);
    QStringList fields{local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), textCell(record.machine),
                       textCell(record.comment), textCell(record.operatorName), shownNumber(record.totalKn)};
    for (const Number& channel : record.channels)
        fields.append(shownNumber(channel));
    fields << shownDeviation(record.deviation) << toleranceMark(record.withinTolerance)
           << textCell(record.note);
    // Tons in the column that names their ton: an export mixes records of both.
    const bool usTons = record.tonsUnit == QLatin1String("US t");
    fields << textCell(record.serialNr) << textCell(shownUnit(record.unit)) << shownNumber(record.tolerance)
           << (usTons ? QString() : shownNumber(record.totalTons)) << textCell(record.amplifier)
           << textCell(record.port) << textCell(record.program) << textCell(record.host)
           << textCell(record.id);
    // Added after the columns that readers of older exports know, so those find theirs where they were.
    fields << shownNumber(record.mainValue);
    for (const Number& sensor : record.sensors)
        fields.append(shownNumber(sensor));
    fields << shownNumber(record.kFactor) << shownNumber(record.eModulus) << shownNumber(record.barDiameter)
           << QString::number(record.utcOffsetMin)
           << verdicts.value(!record.withinTolerance   ? 2
                             : *record.withinTolerance ? 0
                                                       : 1);
    fields << (usTons ? shownNumber(record.totalTons) : QString()) << textCell(shownUnit(record.sensorUnit));
    return fields;
}

bool writeRecordsCsv(const QString& path, RecordStore& store, const Filter& filter, const QStringList& header,
                     const QStringList& verdicts, const QString& delimiter, int* written, QString* error,
                     const std::atomic<bool>* stop) {
    *written = 0;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    file.write("\xEF\xBB\xBF");
    file.write(csvLine(header, delimiter).toUtf8());
    // In pages, so a database of many thousand records is never held in memory at once; each continues
    // after the last, so the millionth record costs what the first one did. Reading a page takes about twice
    // as long as writing it: a second thread writes one page while this one, which owns the store's
    // connection, reads the next.
    constexpr int PageSize = 1000;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QList<Record>> waiting;
    bool allRead = false, stopped = false;
    std::thread writer([&] {
        for (;;) {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return !waiting.empty() || allRead; });
            if (waiting.empty())
                return;
            const QList<Record> records = std::move(waiting.front());
            waiting.pop_front();
            lock.unlock();
            changed.notify_all();
            QByteArray lines;
            for (const Record& record : records)
                lines += csvLine(csvFields(record, verdicts), delimiter).toUtf8();
            file.write(lines);
        }
    });
    for (PageKey after;;) {
        if (stop && *stop) {
            stopped = true;
            break;
        }
        Page page = store.page(filter, after, PageSize);
        *written += static_cast<int>(page.records.size());
        const bool last = page.end || page.records.isEmpty();
        after = page.next;
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return waiting.size() < 2; }); // two pages in memory at most
        waiting.push_back(std::move(page.records));
        lock.unlock();
        changed.notify_all();
        if (last)
            break;
    }
    {
        const std::lock_guard lock(mutex);
        allRead = true;
    }
    changed.notify_all();
    writer.join();
    if (stopped) {
        file.cancelWriting(); // the older file, if any, stays as it was
        *error = QStringLiteral("stopped");
    }
    if (!file.commit()) {
        if (error->isEmpty())
            *error = file.errorString();
        *written = 0;
        return false;
    }
    return true;
}

} // namespace records
