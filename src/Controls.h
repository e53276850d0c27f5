#pragma once
// Controls double as data: the lines of the multi-line boxes, captions and colours are read back by other
// subsystems. These helpers give those reads and writes one meaning everywhere.

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace controls {

// Lines of a multi-line box, counted from 0. A box without any text holds no lines. Reading a line that
// does not exist gives an empty text; writing one does nothing.
QStringList lines(const QPlainTextEdit* box);
void setLines(QPlainTextEdit* box, const QStringList& lines);
int lineCount(const QPlainTextEdit* box);
QString line(const QPlainTextEdit* box, int index);
void setLine(QPlainTextEdit* box, int index, const QString& text);
void appendLine(QPlainTextEdit* box, const QString& text);

// A value display's text. An equal text is left alone: setting it anyway lays the text out again, which
// the displays of hidden pages would pay on every reply.
void setText(QLineEdit* display, const QString& text);

// Calls `shown` each time the control becomes visible on the screen: what a hidden page would show is
// brought up to date then instead of on every change.
void whenShown(QWidget* control, std::function<void()> shown);
// Whether the control would be seen with its window: false on a page of the tabs that is not the current
// one, true on the current page of a window not shown yet.
bool onShownPage(const QWidget* control);

// Colours of a control in every state (enabled, disabled, inactive window), so a value display keeps its
// meaning whether or not it is enabled.
void setBackground(QWidget* control, const QColor& colour);
QColor background(const QWidget* control);
void setFontColour(QWidget* control, const QColor& colour);
QColor fontColour(const QWidget* control);

// A label's caption; the label grows or shrinks to its text, as its left edge carries the layout.
void setCaption(QLabel* label, const QString& caption);
void setLeft(QWidget* control, int left);
// The left edge or the font size (in points) from a number line of the language file; a text that is no
// number (a damaged file) leaves the control as it is, and so does a size that is not positive. A left edge
// is kept inside the window.
void setLeftFromText(QWidget* control, const QString& number, int minus = 0);
void setPointSizeFromText(QWidget* control, const QString& number);

// The system window-text colour: the background of a value display that shows nothing valid.
QColor windowTextColour();

inline const QColor clBlack{0, 0, 0};
inline const QColor clSilver{192, 192, 192};
inline const QColor clLime{0, 255, 0};
inline const QColor clRed{255, 0, 0};

} // namespace controls
