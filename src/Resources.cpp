#include "Resources.h"

#include <QtGlobal>

void ensureResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(vantoria);
        return true;
    }();
    Q_UNUSED(registered);
}
