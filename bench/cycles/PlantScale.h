#pragma once
// The plant's records server at the size of years of clamps: 40 press PCs send their clamps through the
// program's own sending queue to a private PostgreSQL server, and the plant's control chart query of
// docs/records-server.md runs on the full table. Prints "key: value" lines.

#include <QStringList>

namespace bench {
int plantScale(const QStringList& args);
}
