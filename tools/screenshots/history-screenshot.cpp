// Takes the manual's picture of the history page: thirty checks of three presses over a year, written to
// Vantoria.db of the current folder (which should be empty), shown in the language given.
//   vantoria-history-screenshot <DE|EN|IT> <output.png>

#include "Main.h"
#include "ProgramState.h"
#include "app/Application.h"
#include "dialogs/QtDialogs.h"
#include "records/HistoryPage.h"
#include "records/RecordsModel.h"
#include "records/SqliteStore.h"
#include "serial/Serial.h"
#include "settings/SettingsFile.h"
#include "settings/TextFile.h"

#include <QDeadlineTimer>
#include <QItemSelectionModel>
#include <QTabWidget>
#include <QTableView>
#include <QUuid>

#include <cstdio>
#include <qcustomplot.h>

namespace {
QList<records::Record> sampleChecks() {
    const char* machines[] = {"KM 350 Halle 2", "Engel Duo 700", "Arburg 570 C"};
    const char* operators[] = {"Anna Berger", "Marco Rossi", "Li Wei"};
    const char* comments[] = {"Yearly inspection", "After mould change 118", "Acceptance of the new mould",
                              "Bolts retightened, checked again", "After the mould crash"};
    QList<records::Record> checks;
    for (int i = 0; i < 30; ++i) {
        records::Record r;
        r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        r.takenAt = QDateTime(QDate(2026, 1, 8), QTime(7, 30), Qt::UTC).addSecs(i * 11 * 86400 + i * 3137);
        r.utcOffsetMin = 60;
        r.machine = QString::fromLatin1(machines[i % 3]);
        r.serialNr = QStringLiteral("41-22%1").arg(i % 3);
        r.comment = QString::fromLatin1(comments[(i * 7) % 5]);
        r.operatorName = QString::fromLatin1(operators[(i / 2) % 3]);
        r.amplifier = QStringLiteral("QT34");
        r.port = QStringLiteral("/dev/ttyUSB0");
        r.unit = QStringLiteral("kN");
        // Tie bar 3 of the first press slowly loses force: the drift the trend is for.
        const double base = 880 + (i % 3) * 150;
        const double wobble = ((i * 37) % 11) - 5;
        r.channels = {base + wobble, base - wobble * 0.6 + 4, base + (i % 3 == 0 ? -i * 3.1 : wobble * 0.8),
                      base + 6 - wobble * 0.4};
        double low = 1e9, high = 0, sum = 0;
        for (const records::Number& c : r.channels) {
            low = std::min(low, *c);
            high = std::max(high, *c);
            sum += *c;
        }
        r.totalKn = std::round(sum);
        r.totalTons = std::round(sum / 9.80665);
        r.deviation = std::floor((high / low - 1) * 100);
        r.tolerance = 8;
        r.withinTolerance = *r.deviation <= *r.tolerance;
        r.program = QStringLiteral("Vantoria 4.0.3");
        r.host = QStringLiteral("PRESS-PC-0%1").arg(i % 3 + 1);
        checks << r;
    }
    return checks;
}

int fail(const QString& what) {
    std::fprintf(stderr, "vantoria-history-screenshot: %s\n", qPrintable(what));
    return 1;
}
} // namespace

int main(int argc, char** argv) {
    CSerial devicePort;
    ProgramState state;
    VantoriaApplication app(argc, argv);
    if (argc != 3)
        return fail(QStringLiteral("usage: vantoria-history-screenshot <DE|EN|IT> <output.png>"));
    {
        auto store = records::SqliteStore::open(QString::fromLatin1(records::SqliteStore::DefaultFileName));
        QString error;
        if (!store || (store->count({}) == 0 && !store->keepFromServer(sampleChecks(), {}, &error)))
            return fail(QStringLiteral("no sample records: ") + error);
    }
    SettingsFile::installMissingFiles(nullptr);
    textfile::Document settings = textfile::read(QStringLiteral("Vantoria.ini"));
    settings.lines[1] = QString::fromLatin1(argv[1]);
    textfile::write(QStringLiteral("Vantoria.ini"), settings.lines, settings.encoding);

    QtDialogs dialogs;
    app.setDialogs(&dialogs);
    TfrmMain window(devicePort, state, dialogs);
    dialogs.setParent(&window);
    app.applyVisualStyle();
    window.show();
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("tabSystem"));
    auto* table = window.findChild<QTableView*>(QStringLiteral("tableRecords"));
    pages->setCurrentWidget(window.findChild<QWidget*>(QStringLiteral("tabHistory")));
    // The rows and their count are read off the window's thread.
    const records::RecordsModel& model = window.history().model();
    for (QDeadlineTimer deadline(10000); (model.reading() || model.total() < 0) && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // The newest check of the first press, so its falling tie bar shows in the trend.
    table->selectionModel()->setCurrentIndex(table->model()->index(2, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // Its trend is read off the window's thread as well: it ends with the chosen check, its machine's newest.
    const auto* chart = window.findChild<QCustomPlot*>(QStringLiteral("chartHistory"));
    const double newest = model.record(2).channels[0].value_or(0);
    const auto shown = [&] {
        const auto data = chart->graph(0)->data();
        return !data->isEmpty() && (data->constEnd() - 1)->value == newest;
    };
    for (QDeadlineTimer deadline(10000); !shown() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[2])))
        return fail(QStringLiteral("cannot write ") + QString::fromLocal8Bit(argv[2]));
    app.setDialogs(nullptr);
    return 0;
}
