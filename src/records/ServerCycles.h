#pragma once
// The clamp watch's rows as the plant server's tables take them (docs/records-server.sql): the table of an
// outbox item's kind, its columns, and the item's values in their order.

#include "records/Outbox.h"

#include <QString>
#include <QVariantList>

namespace records::server_cycles {

struct Table {
    QString name;
    QString columns; // "a, b, c"
    QString key;     // the column an item already there is known by
};

// For the kinds Cycle, Reference, Alarm and Ack.
Table tableOf(OutboxItem::Kind kind);
QVariantList valuesOf(const OutboxItem& item);

} // namespace records::server_cycles
