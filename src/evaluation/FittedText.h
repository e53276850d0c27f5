#pragma once
// Keeps the text of a value display whole: when the longest texts a display can get ("-30000", "> 99")
// do not fit its box, the font shrinks only as far as the text needs, and grows back to the designed size
// for shorter texts.

class QLineEdit;

namespace fitted_text {

void install(QLineEdit* display);
// The width the text of a display may take.
int roomFor(const QLineEdit* display);

} // namespace fitted_text
