// Figures of the clamp watch, one "key: value" line each:
//   build/bench/cycles/bench_cycles plant [options]   the plant's server with millions of clamps
#include "PlantScale.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args.first() == QLatin1String("plant"))
        return bench::plantScale(args.mid(1));
    qWarning("usage: bench_cycles plant [options]");
    return 2;
}
