// Vantoria: shows the load on the four tie bars of a press, read from a four-channel strain amplifier.

#include "Main.h"
#include "Application.h"
#include "EndSignals.h"
#include "ProgramState.h"
#include "QtDialogs.h"
#include "Serial.h"
#include "UserFolder.h"
#include "settings/OwnTexts.h"
#include "settings/TextFile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QLockFile>
#include <QMessageBox>

#include <cstdio>
#include <exception>

namespace {
// The language of the settings in this folder, for a word before any language file is read.
QString settingsLanguage() {
    try {
        return textfile::read(QStringLiteral("Vantoria.ini")).lines.value(1);
    } catch (const std::exception&) {
        return QStringLiteral("DE");
    }
}

// Another instance works in this folder: say so and end, changing nothing.
int refuseSecondInstance(VantoriaApplication& app) {
    end_signals::install([] { QCoreApplication::quit(); });
    const QString text = ownText(OwnText::AlreadyRunning, settingsLanguage());
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(ApplicationTitle), text);
    QObject::connect(&box, &QMessageBox::finished, &app, &QCoreApplication::quit);
    box.show();
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
    return app.exec();
}

// The desktop launcher starts the program with --user-folder; a terminal start works in its own folder.
bool userFolderWanted(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the load on the four tie bars of a press."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption userFolder(
        QStringLiteral("user-folder"),
        QStringLiteral("Keep settings, language files and the journal in $XDG_DATA_HOME/Vantoria "
                       "(~/.local/share/Vantoria) instead of the current folder, as the desktop menu does."));
    parser.addOption(userFolder);
    parser.process(app); // --help, --version and unknown options end the program here
    return parser.isSet(userFolder);
}

// Help and version are asked for in terminals, also where no display is: answered without a window system.
void answerTextQuestions(int& argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--help" || argument == "-h" || argument == "--help-all" || argument == "--version" ||
            argument == "-v") {
            QCoreApplication core(argc, argv);
            core.setApplicationName(QStringLiteral("Vantoria"));
            core.setApplicationVersion(QString::fromLatin1(ApplicationVersion));
            userFolderWanted(core);
        }
    }
}

// Printed as well, for a start from a terminal.
void reportUnusableFolder(QtDialogs& dialogs, const QString& folder, const QString& problem) {
    const QString text = ownText(OwnText::UserFolderUnusable, settingsLanguage()).arg(folder, problem);
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
    dialogs.warn(text);
}
} // namespace

int main(int argc, char** argv) {
    // The device port and the shared state outlive the window and are destroyed after it.
    CSerial devicePort;
    ProgramState state;
    answerTextQuestions(argc, argv);
    VantoriaApplication app(argc, argv);
    QString folder;
    user_folder::Entered entered; // a stand-in folder must outlive the window that works in it
    if (userFolderWanted(app)) {
        folder = user_folder::path(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
        entered = user_folder::enter(folder);
    }
    // Two instances in one folder would overwrite each other's settings and journal. A folder where no lock
    // can be made (read-only) takes no file of either, so there the program runs without one.
    QLockFile lock(QStringLiteral("Vantoria.lock"));
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError)
        return refuseSecondInstance(app);
    try {
        QtDialogs dialogs;
        app.setDialogs(&dialogs);
        TfrmMain window(devicePort, state, dialogs);
        dialogs.setParent(&window);
        app.applyVisualStyle();
        end_signals::install([&window] { window.FormClose(false); });
        window.show();
        if (!entered.problem.isEmpty())
            reportUnusableFolder(dialogs, folder, entered.problem);
        const int result = app.exec();
        app.setDialogs(nullptr);
        return result;
    } catch (const std::exception& error) {
        app.setDialogs(nullptr);
        QMessageBox::critical(nullptr, QString::fromLatin1(ApplicationTitle),
                              QString::fromUtf8(error.what()));
    }
    return 0;
}
