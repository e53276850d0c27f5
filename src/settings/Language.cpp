#include "settings/Language.h"

#include "Controls.h"

QString Language::text(int line) const { return controls::line(lines_, line); }
