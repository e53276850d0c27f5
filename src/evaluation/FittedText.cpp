#include "evaluation/FittedText.h"

#include "Controls.h"

#include <QFontMetrics>
#include <QLineEdit>

namespace fitted_text {

namespace {
constexpr int SmallestPixels = 8;
constexpr int InnerMargin = 2; // the line edit's own margin on each side of its text

void fit(QLineEdit* display, const QFont& designed) {
    QFont font = designed;
    const int room = roomFor(display);
    while (QFontMetrics(font).horizontalAdvance(display->text()) > room && font.pixelSize() > SmallestPixels)
        font.setPixelSize(font.pixelSize() - 1);
    if (font != display->font())
        display->setFont(font);
}
} // namespace

int roomFor(const QLineEdit* display) {
    const QMargins margins = display->textMargins();
    return display->contentsRect().width() - margins.left() - margins.right() - 2 * InnerMargin;
}

void install(QLineEdit* display) {
    QFont designed = display->font();
    if (designed.pixelSize() <= 0)
        designed.setPixelSize(QFontMetrics(designed).height());
    // Measuring the text is most of what a new value costs; a display on a hidden page is fitted when it
    // is shown.
    QObject::connect(display, &QLineEdit::textChanged, display, [display, designed] {
        if (controls::onShownPage(display))
            fit(display, designed);
    });
    controls::whenShown(display, [display, designed] { fit(display, designed); });
    fit(display, designed);
}

} // namespace fitted_text
