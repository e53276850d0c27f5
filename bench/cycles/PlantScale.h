#pragma once
// The clamp watch at the scale of a plant: many presses storing into one server.

#include <QStringList>

namespace bench {
// args: what follows "plant" on the command line. Prints insert_rows_per_s and plant_query_ms_5m.
int plantScale(const QStringList& args);
} // namespace bench
