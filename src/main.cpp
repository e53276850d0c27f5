// Vantoria: shows the load on the four tie bars of a press, read from a four-channel strain amplifier.

#include "Main.h"
#include "ProgramState.h"
#include "app/Application.h"
#include "app/EndSignals.h"
#include "app/SingleInstance.h"
#include "app/UserFolder.h"
#include "dialogs/QtDialogs.h"
#include "records/ProtocolCommand.h"
#include "serial/Serial.h"
#include "settings/OwnTexts.h"
#include "settings/TextFile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QMessageBox>
#include <QSysInfo>

#include <cstdio>
#include <cstdlib>
#include <exception>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
// A usage error, as the shell's own commands give it.
constexpr int UsageExitCode = 2;
// A second start ends within a second; an instance that takes longer to answer counts as hung.
constexpr int FirstInstanceAnswerMs = 700;

// The language of the settings in this folder, for a word before any language file is read.
QString settingsLanguage() {
    try {
        return textfile::read(QStringLiteral("Vantoria.ini")).lines.value(1);
    } catch (const std::exception&) {
        return QStringLiteral("DE");
    }
}

void printLine(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

// Another instance works in this folder: it is asked to bring its window to the front, and this start ends
// at once, changing nothing. Only when it does not answer (hung, or a lock whose owner is no Vantoria) does
// a box say so; it ends with OK or an end signal.
// A lock left by an instance that ended without removing it (killed, a power cut) names that instance's
// process id. When the system hands this start the same id (Windows gives out freed ids again soon, Wine
// from the start after its server restarted), the lock's owner looks alive: it is this process, and no
// first instance will ever answer. Such a lock is stale.
bool takeOverLockNamingThisProcess(QLockFile& lock) {
#ifdef _WIN32
    const QString thisHost = qEnvironmentVariable("COMPUTERNAME"); // as the lock names its host there
#else
    const QString thisHost = QSysInfo::machineHostName();
#endif
    qint64 owner = 0;
    QString host;
    if (!lock.getLockInfo(&owner, &host, nullptr) || owner != QCoreApplication::applicationPid() ||
        (!host.isEmpty() && host != thisHost))
        return false;
    return lock.removeStaleLockFile() && lock.tryLock(0);
}

int refuseSecondInstance(VantoriaApplication& app) {
    if (single_instance::askFirstToRaise(QDir::currentPath(), FirstInstanceAnswerMs)) {
        printLine(ownText(OwnText::AlreadyRunning, settingsLanguage()));
        return 0;
    }
    end_signals::install([] { QCoreApplication::quit(); });
    const QString text = ownText(OwnText::FirstDoesNotAnswer, settingsLanguage());
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(ApplicationTitle), text);
    QObject::connect(&box, &QMessageBox::finished, &app, &QCoreApplication::quit);
    box.show();
    printLine(text);
    return app.exec();
}

struct Options {
    bool userFolder = false; // the desktop launcher's --user-folder
    QString protocolOf;      // --protocol: "last" or a record's id; empty without it
    QString protocolFile;    // absolute, as the shell meant it
};

// Options are read before the application object exists, so that help, version and a mistyped option are
// answered in a terminal without a display, where Qt's window system would fail first.
Options readOptions(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    core.setApplicationName(QStringLiteral("Vantoria"));
    core.setApplicationVersion(QString::fromLatin1(ApplicationVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the load on the four tie bars of a press."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption userFolder(
        QStringLiteral("user-folder"),
#ifdef _WIN32
        QStringLiteral("Keep settings, language files and the journal in %LOCALAPPDATA%\\Vantoria instead of "
                       "the current folder, as the Start menu does."));
#else
        QStringLiteral("Keep settings, language files and the journal in $XDG_DATA_HOME/Vantoria "
                       "(~/.local/share/Vantoria) instead of the current folder, as the desktop menu does."));
#endif
    parser.addOption(userFolder);
    const QCommandLineOption protocol(
        QStringLiteral("protocol"),
        QStringLiteral(
            "Write the protocol of the newest record (last) or of the record with this id from the "
            "working folder's Vantoria.db (or the records server of Records.ini) to FILE.pdf, without a "
            "window, and end."),
        QStringLiteral("last|id"));
    parser.addOption(protocol);
    parser.addPositionalArgument(QStringLiteral("FILE.pdf"), QStringLiteral("The file --protocol writes."),
                                 QStringLiteral("[FILE.pdf]"));
    // Qt's own options ("-platform offscreen", "-style fusion") are for the application object, not errors.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "display", "style",
                             "stylesheet", "session", "qwindowgeometry", "qwindowtitle", "qwindowicon"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    if (!parser.parse(core.arguments())) {
        const QStringList unknown = parser.unknownOptionNames();
        std::fprintf(stderr, "vantoria: unknown option %s\n%s",
                     qPrintable(unknown.isEmpty() ? parser.errorText()
                                                  : QLatin1Char('\'') + unknown[0] + QLatin1Char('\'')),
                     qPrintable(parser.helpText()));
        std::exit(UsageExitCode);
    }
    // Printed here rather than by the parser, which on Windows shows a box that waits when it finds no
    // console.
    if (parser.isSet(help) || parser.isSet(version)) {
        const QString text = parser.isSet(help)
                                 ? parser.helpText()
                                 : QStringLiteral("Vantoria %1\n").arg(core.applicationVersion());
        std::fputs(qPrintable(text), stdout);
        std::exit(0);
    }
    Options options;
    options.userFolder = parser.isSet(userFolder);
    if (parser.isSet(protocol)) {
        const QStringList files = parser.positionalArguments();
        options.protocolOf = parser.value(protocol).trimmed();
        if (files.size() != 1 || files[0].isEmpty() || options.protocolOf.isEmpty()) {
            std::fprintf(stderr, "vantoria: --protocol needs a record (last or its id) and one PDF file: "
                                 "vantoria --protocol last FILE.pdf\n");
            std::exit(1);
        }
        options.protocolFile = QFileInfo(files[0]).absoluteFilePath();
    }
    return options;
}

// The protocol needs fonts and a painter but no screen: it works over SSH and from a quality system's job,
// where no display exists, and never touches the device port or another instance's lock.
int writeProtocol(int argc, char** argv, const Options& options) {
#ifndef _WIN32
    // Windows has its window system in every session; its own platform has the system's fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QGuiApplication app(argc, argv);
    const QString folder = options.userFolder ? user_folder::systemPath() : QDir::currentPath();
    return records::protocolCommand(folder, options.protocolOf, options.protocolFile);
}

// Printed as well, for a start from a terminal.
void reportUnusableFolder(QtDialogs& dialogs, const QString& folder, const QString& problem) {
    const QString text = ownText(OwnText::UserFolderUnusable, settingsLanguage()).arg(folder, problem);
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
    dialogs.warn(text);
}
} // namespace

#ifdef _WIN32
// A Windows program with windows has no console of its own: help, version, usage errors and --protocol
// write to the console it was started from, and never into a message box that waits for a click.
void useParentConsole() {
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // Handles the caller redirected (to a file, a pipe) stay as they are.
    const auto unset = [](DWORD which) {
        const HANDLE handle = ::GetStdHandle(which);
        return handle == nullptr || handle == INVALID_HANDLE_VALUE;
    };
    if (unset(STD_OUTPUT_HANDLE))
        static_cast<void>(std::freopen("CONOUT$", "w", stdout));
    if (unset(STD_ERROR_HANDLE))
        static_cast<void>(std::freopen("CONOUT$", "w", stderr));
}
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    useParentConsole();
#endif
    // The device port and the shared state outlive the window and are destroyed after it.
    CSerial devicePort;
    ProgramState state;
    const Options options = readOptions(argc, argv);
    if (!options.protocolOf.isEmpty())
        return writeProtocol(argc, argv, options);
    const bool userFolder = options.userFolder;
    VantoriaApplication app(argc, argv);
    QString folder;
    user_folder::Entered entered; // a stand-in folder must outlive the window that works in it
    if (userFolder) {
        folder = user_folder::systemPath();
        entered = user_folder::enter(folder);
    }
    // Two instances in one folder would overwrite each other's settings and journal. A folder where no lock
    // can be made (read-only) takes no file of either, so there the program runs without one.
    QLockFile lock(QStringLiteral("Vantoria.lock"));
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError &&
        !takeOverLockNamingThisProcess(lock))
        return refuseSecondInstance(app);
    single_instance::FirstInstance firstInstance(QDir::currentPath());
    try {
        QtDialogs dialogs;
        app.setDialogs(&dialogs);
        TfrmMain window(devicePort, state, dialogs);
        dialogs.setParent(&window);
        app.applyVisualStyle();
        QObject::connect(&firstInstance, &single_instance::FirstInstance::raiseRequested, &window,
                         &TfrmMain::bringToFront);
        // exit(), not quit(): the end is decided, so no window gets the close event in which it would ask
        // about unsaved rows or refuse, and a box that happens to be open goes with the event loop.
        end_signals::install([&window] {
            window.FormClose(false);
            QCoreApplication::exit(0);
        });
        window.show();
        if (!entered.problem.isEmpty())
            reportUnusableFolder(dialogs, folder, entered.problem);
        const int result = app.exec();
        app.setDialogs(nullptr);
        return result;
    } catch (const std::exception& error) {
        app.setDialogs(nullptr);
        printLine(QString::fromUtf8(error.what()));
        QMessageBox::critical(nullptr, QString::fromLatin1(ApplicationTitle),
                              QString::fromUtf8(error.what()));
    }
    return 0;
}
