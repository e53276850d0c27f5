// `vantoria --protocol <id>` for a record of another PC of the plant: found on the server that Records.ini
// names, when the working folder has no database or not that record.
#include "PgCluster.h"
#include "ProgramRun.h"
#include "TestWindow.h"
#include "records/PostgresStore.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace records;

class TestProtocolServer : public QObject {
    Q_OBJECT

    // The program in the working folder; with `pdf`, the text of the file it was asked to write.
    static std::pair<int, QString> vantoria(const QStringList& arguments, QString* pdf = nullptr) {
        const auto result = runHeadless(QStringLiteral(VANTORIA_BIN), ".", arguments);
        if (pdf)
            *pdf = pdfText(arguments.last());
        return result;
    }

private slots:
    void aRecordOfAnotherPcComesFromTheServer() {
        PgCluster cluster;
        QVERIFY2(cluster.error.isEmpty() && cluster.psqlFile(SERVER_SQL), qPrintable(cluster.error));
        const QString conninfo = cluster.conninfo("vantoria_writer", "vantoria_records");
        Record other;
        other.id = QStringLiteral("3c2b1a09-8f7e-4d6c-9b5a-493827160504"), other.machine = "Press 40, hall 3";
        other.takenAt = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
        other.deviation = 12, other.tolerance = 10, other.withinTolerance = false;
        QVERIFY(PostgresStore(conninfo).insert(other, nullptr)); // no settings here: the shipped German
        writeFile("Records.ini", "server=" + conninfo.toUtf8() + "\n");

        QString text;
        QCOMPARE(vantoria({"--protocol", other.id.toUpper(), "other.pdf"}, &text).first, 0);
        QVERIFY2(text.contains(other.machine) && text.contains("NICHT BESTANDEN"), qPrintable(text));
        const auto [code, error] = vantoria({"--protocol", "0a0a0a0a-0000-4000-8000-000000000000", "x.pdf"});
        QVERIFY(code == 1 && error.contains("0a0a0a0a-0000-4000-8000-000000000000"));
        QVERIFY(cluster.stop());
        const auto [downCode, down] = vantoria({"--protocol", other.id, "down.pdf"});
        QVERIFY2(downCode == 1 && down.contains("Protokollserver"), qPrintable(down));
        QVERIFY(!QFile::exists("x.pdf") && !QFile::exists("down.pdf") && !QFile::exists("Vantoria.db"));
    }
};

QTEST_MAIN(TestProtocolServer)
#include "test_protocol_server.moc"
