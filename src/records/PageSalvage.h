#pragma once
// What can still be read of a damaged SQLite file, page by page, without SQLite: when its header, a table's
// root or the second half of the file is gone, SQLite reads nothing, yet every row stored on a leaf page
// that survived is still there. A row is found through its page's own cell pointers, so a page that can be
// read gives its rows whatever became of the pages above it.

#include <QByteArrayView>
#include <QList>
#include <QVariant>
#include <QtGlobal>

namespace records::page_salvage {

// One row of a table: its columns as SQLite stored them (null, integer, real, text or blob), in the order
// of the table's columns; a column added later is missing from rows written before.
struct Row {
    qint64 rowid = 0;
    QVariantList columns;
};

// Every row on the table leaf pages of a database file and of the pages its write-ahead log holds (empty
// when there is none), in the order of the pages; a row on a page of the log may also be on the same page
// of the file, older or newer. With the file's header gone, the page size is that of the log, else the
// size giving the most rows.
QList<Row> tableRows(QByteArrayView database, QByteArrayView log);

} // namespace records::page_salvage
