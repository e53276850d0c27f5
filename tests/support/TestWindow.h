#pragma once
// The real main window, built in the test's working directory with scripted dialogs and its timers
// stopped: tests drive the handlers one call at a time.

#include "Main.h"
#include "ProgramState.h"
#include "ScriptedDialogs.h"
#include "serial/Serial.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

struct TestWindow {
    CSerial port;
    ProgramState state;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfrmMain> window;
    std::int64_t monotonicMs = 0; // the graph's and the record buttons' clock: only a test moves it

    // prepare scripts the dialogs before the window is built (questions asked at start-up).
    explicit TestWindow(const std::function<void(ScriptedDialogs&)>& prepare = {});
    ~TestWindow();

    // The control of that name and kind, as a user would find it; a missing one ends the test.
    template <class T = QWidget> T* control(const QString& name) const {
        T* found = window->findChild<T*>(name);
        if (!found)
            qFatal("the window has no control %s of that kind", qPrintable(name));
        return found;
    }
    QLineEdit* edit(const QString& name) const { return control<QLineEdit>(name); }
    QLabel* label(const QString& name) const { return control<QLabel>(name); }
    QAbstractButton* button(const QString& name) const { return control<QAbstractButton>(name); }
    QPlainTextEdit* memo(const QString& name) const { return control<QPlainTextEdit>(name); }
    QString statusLine(int line) const;
    // Shows the window and brings a page of its tabs forward with a click on its tab.
    void clickTab(const QString& page) const;
    // Applies the language texts, as a save of the settings does, after checking the radio button named.
    void applyLanguage(const char* choice = nullptr) const;
};

// A tmpfs mounted with `options` on `folder` (made if missing) while it lives. Tests that use one run in a
// mount namespace of their own where the user is not root (VANTORIA_OWN_MOUNTS in CMake); a test that cannot
// mount fails instead of skipping, since a skipped disk test hides what it guards.
class SmallFileSystem {
public:
    SmallFileSystem(const QString& folder, const QString& options);
    ~SmallFileSystem();
    bool mounted() const { return mounted_; }

private:
    QString folder_;
    bool mounted_;
};

// While it lives, writing files fails as on a full disk. Unlike a read-only folder this also holds for root,
// under which the tests run in CI.
class DiskFull {
public:
    // bytes: how large a file may grow (none by default).
    explicit DiskFull(unsigned long long bytes = 0);
    ~DiskFull();

private:
    unsigned long long saved_;
};

// A file built into the program (":/Vantoria.ini" and the like).
QByteArray shippedFile(const QString& name);

// "editChannel%1" with n filled in: most controls come in numbered sets.
inline QString numbered(const char* pattern, int n) { return QString::fromLatin1(pattern).arg(n); }
// "editSensor" with channel 3 and sensor 2 gives "editSensor32".
inline QString sensorControl(const char* prefix, int channel, int sensor) {
    return QString::fromLatin1(prefix) + QString::number(channel) + QString::number(sensor);
}

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
// The shipped settings and no journal: earlier windows of the same test program leave theirs behind.
void freshFolder();
// The shipped layout with the lines given changed, written as writeSettingsFile does.
void writeSettingsWith(std::initializer_list<std::pair<int, QString>> changes,
                       const QString& path = QStringLiteral("Vantoria.ini"));
QStringList readLines(const QString& path);
