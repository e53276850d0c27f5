// Takes the manual's pictures of the four pages while the program measures: the real window, run in the
// current folder against the simulated amplifier registered there as ports/COM2. scripts/screenshots.sh
// runs it under a virtual X server for each language.
//   vantoria-screenshots <DE|EN> <output folder>

#include "Main.h"
#include "ProgramState.h"
#include "app/Application.h"
#include "dialogs/QtDialogs.h"
#include "serial/Serial.h"
#include "settings/SettingsFile.h"
#include "settings/TextFile.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {
// Runs the event loop until the condition holds; false when it did not within the time.
bool waitFor(const std::function<bool()>& condition, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void settle(int milliseconds) {
    waitFor([] { return false; }, milliseconds);
}

int fail(const char* what) {
    std::fprintf(stderr, "vantoria-screenshots: %s\n", what);
    return 1;
}
} // namespace

int main(int argc, char** argv) {
    CSerial devicePort;
    ProgramState state;
    VantoriaApplication app(argc, argv);
    if (argc != 3)
        return fail("usage: vantoria-screenshots <DE|EN> <output folder>");
    const QString language = QString::fromLatin1(argv[1]);
    const QDir output(QString::fromLocal8Bit(argv[2]));

    // The language is chosen in the settings file before the window reads it; a user would choose it on
    // the settings page.
    SettingsFile::installMissingFiles(nullptr);
    textfile::Document settings = textfile::read(QStringLiteral("Vantoria.ini"));
    settings.lines[1] = language;
    textfile::write(QStringLiteral("Vantoria.ini"), settings.lines, settings.encoding);

    QtDialogs dialogs;
    app.setDialogs(&dialogs);
    TfrmMain window(devicePort, state, dialogs);
    dialogs.setParent(&window);
    app.applyVisualStyle();
    window.show();

    auto* start = window.findChild<QAbstractButton*>(QStringLiteral("btnMeasurement"));
    auto* channel = window.findChild<QLineEdit*>(QStringLiteral("editChannel1"));
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("tabSystem"));
    auto* graph = window.findChild<QAbstractButton*>(QStringLiteral("btnGraphStartStop"));
    if (!start || !channel || !pages || !graph)
        return fail("the window lacks a control this tool drives");
    if (!waitFor([start] { return start->isEnabled(); }, 15000))
        return fail("no amplifier answered on COM2");

    // What a quality engineer fills in before recording a machine.
    window.findChild<QLineEdit*>(QStringLiteral("editMachine"))->setText(QStringLiteral("KM 350"));
    window.findChild<QLineEdit*>(QStringLiteral("editSerialNr"))->setText(QStringLiteral("41-2207"));
    window.findChild<QLineEdit*>(QStringLiteral("editComment"))->setText(QStringLiteral("Mould 118"));

    start->click();
    if (!waitFor([channel] { return channel->text() != QLatin1String("E01"); }, 15000))
        return fail("no values arrived");
    graph->click();
    settle(30000); // a few press cycles on the graph
    // The pictures show the machine clamped, not at rest between two cycles.
    const auto clamped = [channel] { return channel->text().toInt() > 300; };
    if (!waitFor(clamped, 15000))
        return fail("the press never clamped");

    const char* names[] = {"main", "big", "graph", "settings"};
    for (int page = 0; page < 4; ++page) {
        pages->setCurrentIndex(page);
        settle(300);
        const QString file = output.filePath(language.toLower() + QLatin1Char('-') +
                                             QLatin1String(names[page]) + QStringLiteral(".png"));
        if (!window.grab().save(file))
            return fail(qPrintable(QStringLiteral("cannot write ") + file));
        std::printf("%s\n", qPrintable(file));
    }
    app.setDialogs(nullptr);
    return 0;
}
