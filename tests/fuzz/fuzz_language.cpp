// A language file as found on disk, taken into the language lines and its number lines applied.
#include "Controls.h"
#include "Fuzz.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "settings/TextFile.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace {
QPlainTextEdit* box;
QLabel* label;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startApplication();
    box = new QPlainTextEdit;
    label = new QLabel;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList lines = textfile::decode(fuzz::bytes(data, size)).lines;
    controls::setLines(box, lines);
    // The text box starts a new line at a paragraph separator too, and keeps marks of its own in the
    // private-use range: a file with such characters is not compared line by line.
    const QString all = lines.join(QLatin1Char('\n'));
    const bool plain = !all.contains(QChar::ParagraphSeparator) && !all.contains(QChar(0xFDD0)) &&
                       !all.contains(QChar(0xFDD1));
    const Language language(box);
    for (int line = 0; line < lang::LineCount; ++line) {
        const QString text = language.text(line);
        FUZZ_CHECK(!plain || text == lines.value(line));
        controls::setLeftFromText(label, text, 12);
        controls::setPointSizeFromText(label, text);
    }
    return 0;
}
