#include "TestWindow.h"

#include "Controls.h"
#include "settings/TextFile.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

TestWindow::TestWindow() {
    window = std::make_unique<TfrmMain>(port, state, dialogs);
    window->timerDeviceCom().stop();
    window->timerClock().stop();
    window->timerGraph().stop();
}

TestWindow::~TestWindow() = default;

QLineEdit* TestWindow::edit(const QString& name) const { return form().edit(name); }
QLabel* TestWindow::label(const QString& name) const { return form().label(name); }
QAbstractButton* TestWindow::button(const QString& name) const { return form().button(name); }
QPlainTextEdit* TestWindow::memo(const QString& name) const { return form().memo(name); }
QString TestWindow::statusLine(int line) const {
    return controls::line(memo(QStringLiteral("memoProgramState")), line);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        QFAIL(qPrintable(QStringLiteral("cannot write %1").arg(path)));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList settingsLayout() {
    const char* values[44] = {};
    values[1] = "DE";
    values[3] = "NO";
    values[5] = "YES";
    values[7] = "Auto";
    values[9] = "1";
    values[11] = "TopLeft";
    values[13] = "TopRight";
    values[15] = "BottomLeft";
    values[17] = "BottomRight";
    values[19] = "";
    values[21] = "";
    values[23] = "YES";
    values[25] = "AMP4-P";
    values[27] = "";
    values[29] = "";
    values[31] = "";
    values[33] = "";
    values[35] = "";
    values[37] = "2.00";
    values[39] = "10";
    values[41] = "YES";
    values[42] = "ReservedComPorts:";
    values[43] = "";
    QStringList lines;
    for (int i = 0; i < 44; ++i)
        lines.append(i % 2 == 0 && i != 42 ? QStringLiteral("# line %1").arg(i)
                                           : QString::fromLatin1(values[i]));
    return lines;
}

void writeSettingsFile(const QStringList& lines, const QString& path) {
    writeFile(path, textfile::encode(lines, {}));
}

QStringList readLines(const QString& path) { return textfile::decode(readFile(path)).lines; }
