#pragma once
// The real main window, built in the test's working directory with scripted dialogs and its timers
// stopped: tests drive the handlers one call at a time.

#include "Form.h"
#include "Main.h"
#include "ProgramState.h"
#include "ScriptedDialogs.h"
#include "Serial.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

struct TestWindow {
    CSerial port;
    ProgramState state;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfrmMain> window;

    TestWindow();
    ~TestWindow();

    const Form& form() const { return *form_; }
    QLineEdit* edit(const QString& name) const;
    QLabel* label(const QString& name) const;
    QAbstractButton* button(const QString& name) const;
    QPlainTextEdit* memo(const QString& name) const;
    QString statusLine(int line) const;

private:
    std::unique_ptr<Form> form_;
};

// While it lives, writing files fails as on a full disk. Unlike a read-only folder this also holds for root,
// under which the tests run in CI.
class DiskFull {
public:
    DiskFull();
    ~DiskFull();

private:
    unsigned long long saved_;
};

// A file built into the program (":/Vantoria.ini" and the like).
QByteArray shippedFile(const QString& name);

// "btnReset btnSave editChannel1" as a list of control names.
inline QStringList names(const char* spaced) {
    return QString::fromLatin1(spaced).split(' ', Qt::SkipEmptyParts);
}

// Test files in the working directory.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// The lines of the shipped settings file: the 44-line layout with its first values.
QStringList settingsLayout();
// Writes lines as "Vantoria.ini" (UTF-8, CR LF) in the working directory.
void writeSettingsFile(const QStringList& lines, const QString& path = QStringLiteral("Vantoria.ini"));
QStringList readLines(const QString& path);
