#include "Controls.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace controls {

namespace {
bool isEmpty(const QTextDocument* document) { return document->isEmpty(); }

void setRole(QWidget* control, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = control->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, role, colour);
    control->setPalette(palette);
}

QPalette::ColorRole textRole(const QWidget* control) {
    // Labels and check boxes draw their text in WindowText; edits and boxes in Text.
    return control->inherits("QLineEdit") || control->inherits("QPlainTextEdit") ? QPalette::Text
                                                                                 : QPalette::WindowText;
}
class ShowWatch : public QObject {
public:
    ShowWatch(QWidget* control, std::function<void()> shown) : QObject(control), shown_(std::move(shown)) {
        control->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            shown_();
        return false;
    }

private:
    std::function<void()> shown_;
};
} // namespace

void whenShown(QWidget* control, std::function<void()> shown) { new ShowWatch(control, std::move(shown)); }

bool onShownPage(const QWidget* control) { return control->isVisibleTo(control->window()); }

QStringList lines(const QPlainTextEdit* box) {
    QStringList result;
    const QTextDocument* document = box->document();
    if (isEmpty(document))
        return result;
    result.reserve(document->blockCount());
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        result.append(block.text());
    return result;
}

void setLines(QPlainTextEdit* box, const QStringList& lines) {
    box->setPlainText(lines.join(QLatin1Char('\n')));
}

int lineCount(const QPlainTextEdit* box) {
    const QTextDocument* document = box->document();
    return isEmpty(document) ? 0 : document->blockCount();
}

QString line(const QPlainTextEdit* box, int index) {
    if (index < 0)
        return {};
    const QTextBlock block = box->document()->findBlockByNumber(index);
    return block.isValid() ? block.text() : QString();
}

void setLine(QPlainTextEdit* box, int index, const QString& text) {
    if (index < 0 || index >= lineCount(box))
        return;
    const QTextBlock block = box->document()->findBlockByNumber(index);
    if (block.text() == text)
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

void setText(QLineEdit* display, const QString& text) {
    if (display->text() != text)
        display->setText(text);
}

void appendLine(QPlainTextEdit* box, const QString& text) { box->appendPlainText(text); }

void setBackground(QWidget* control, const QColor& colour) { setRole(control, QPalette::Base, colour); }

QColor background(const QWidget* control) {
    return control->palette().color(QPalette::Active, QPalette::Base);
}

void setFontColour(QWidget* control, const QColor& colour) { setRole(control, textRole(control), colour); }

QColor fontColour(const QWidget* control) {
    return control->palette().color(QPalette::Active, textRole(control));
}

void setCaption(QLabel* label, const QString& caption) {
    // Captions are set again with every unit the amplifier reports; sizing an unchanged one measures its
    // text for nothing.
    if (label->text() == caption && label->size() == label->sizeHint())
        return;
    label->setText(caption);
    label->adjustSize();
}

void setLeft(QWidget* control, int left) { control->move(left, control->y()); }

void setLeftFromText(QWidget* control, const QString& number, int minus) {
    bool ok = false;
    const qint64 wanted = qint64(number.toInt(&ok, 10)) - minus;
    if (!ok)
        return;
    // A number from a file can be anything: the control stays in the window, whole where it fits.
    const qint64 rightmost = std::max(0, control->window()->width() - control->width());
    setLeft(control, int(std::clamp<qint64>(wanted, 0, rightmost)));
}

void setPointSizeFromText(QWidget* control, const QString& number) {
    bool ok = false;
    const int size = number.toInt(&ok, 10);
    if (!ok || size <= 0)
        return;
    QFont font = control->font();
    font.setPointSize(size);
    control->setFont(font);
}

QColor windowTextColour() { return QApplication::palette().color(QPalette::Active, QPalette::WindowText); }

} // namespace controls
