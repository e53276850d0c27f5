// `vantoria --protocol <id>` for a record of another PC of the plant: found on the server that Records.ini
// names, when the working folder has no database or not that record.
#include "PgCluster.h"
#include "records/PostgresStore.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace records;

class TestProtocolServer : public QObject {
    Q_OBJECT

    static std::pair<int, QString> vantoria(const QStringList& arguments, QString* pdf = nullptr) {
        QProcess program;
        program.start(QStringLiteral(VANTORIA_BIN), arguments);
        program.waitForFinished(60000);
        if (pdf) {
            program.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), arguments.last(), "-"});
            program.waitForFinished(30000);
            *pdf = QString::fromUtf8(program.readAllStandardOutput());
        }
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardError())};
    }

private slots:
    void aRecordOfAnotherPcComesFromTheServer() {
        PgCluster cluster;
        QFile sql(SERVER_SQL);
        QVERIFY2(cluster.error.isEmpty(), qPrintable(cluster.error));
        QVERIFY(sql.open(QIODevice::ReadOnly) && cluster.psql(sql.readAll(), "postgres", &cluster.error));
        const QString conninfo = cluster.conninfo("vantoria_writer", "vantoria_records");
        Record other;
        other.id = QStringLiteral("3c2b1a09-8f7e-4d6c-9b5a-493827160504");
        other.takenAt = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
        other.machine = QStringLiteral("Press 40, hall 3");
        other.deviation = 12;
        other.tolerance = 10;
        other.withinTolerance = false;
        QVERIFY(PostgresStore(conninfo).insert(other, nullptr)); // no settings here: the shipped German
        QFile ini(QStringLiteral("Records.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write("server=" + conninfo.toUtf8() + "\n") > 0);
        ini.close();

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
