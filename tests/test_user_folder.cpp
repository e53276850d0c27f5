// Where a start from the desktop menu keeps its files, and what happens where that folder cannot be used.

#include "UserFolder.h"

#include "Testing.h"

class TestUserFolder : public QObject {
    Q_OBJECT

    QString start_; // every test's own working folder, given back afterwards

private slots:
    void init() { start_ = QDir::currentPath(); }
    void cleanup() { QVERIFY(QDir::setCurrent(start_)); }

    void theFolderFollowsXdgDataHomeUnlessItIsUnsetOrRelative() {
        const auto path = [](const char* xdgDataHome) {
            return user_folder::path(QString::fromUtf8(xdgDataHome), QStringLiteral("/home/me"));
        };
        QCOMPARE((QStringList{path("/data/me"), path(nullptr), path("data"), path("/with space/")}),
                 (QStringList{"/data/me/Vantoria", "/home/me/.local/share/Vantoria",
                              "/home/me/.local/share/Vantoria", "/with space/Vantoria"}));
    }

    void aMissingFolderIsMadeWithItsParentsAndBecomesTheWorkingFolder() {
        const QString folder = QDir::current().absoluteFilePath(QStringLiteral("home/.local/share/Vantoria"));
        const user_folder::Entered entered = user_folder::enter(folder);
        QVERIFY2(entered.problem.isEmpty(), qPrintable(entered.problem));
        QVERIFY(!entered.standIn);
        QCOMPARE(QDir::currentPath(), folder);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList()); // the probe is gone
    }

    void anUnusableFolderIsNamedWithTheReasonAndTheProgramGoesToAStandInThatGoesAtTheEnd() {
        writeFile(QStringLiteral("afile"), "x");
        const QString folder = QDir::current().absoluteFilePath(QStringLiteral("afile/Vantoria"));
        const QString problem = user_folder::problemWith(folder);
        QVERIFY2(problem.contains(QStringLiteral("directory"), Qt::CaseInsensitive), qPrintable(problem));
        const QString start = QDir::currentPath();
        user_folder::Entered entered = user_folder::enter(folder);
        QVERIFY(!entered.problem.isEmpty());
        QVERIFY(entered.standIn);
        const QString standIn = entered.standIn->path();
        QCOMPARE(QDir::currentPath(), QDir(standIn).canonicalPath());
        entered.standIn.reset();
        QVERIFY(!QFileInfo::exists(standIn));
        QCOMPARE(readFile(start + QStringLiteral("/afile")), QByteArray("x")); // nothing was made in its way
    }

    void theStandInGetsWritableCopiesOfTheUsersFilesAndNothingElse() {
        QVERIFY(QDir().mkpath(QStringLiteral("theirs")));
        writeFile(QStringLiteral("theirs/Vantoria.ini"), "DE\r\n");
        writeFile(QStringLiteral("theirs/Vantoria.journal"), "row\r\n");
        writeFile(QStringLiteral("theirs/shift.csv"), "big\r\n");
        QVERIFY(QDir().mkpath(QStringLiteral("theirs/ports")));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), QStringLiteral("theirs/ports/COM3")));
        QVERIFY(QFile::setPermissions(QStringLiteral("theirs/Vantoria.ini"), QFile::ReadOwner));
        std::unique_ptr<QTemporaryDir> standIn =
            user_folder::standInFor(QDir::current().absoluteFilePath(QStringLiteral("theirs")));
        QVERIFY(standIn);
        QCOMPARE(readFile(standIn->filePath(QStringLiteral("Vantoria.ini"))), QByteArray("DE\r\n"));
        QCOMPARE(readFile(standIn->filePath(QStringLiteral("Vantoria.journal"))), QByteArray("row\r\n"));
        QVERIFY(QFileInfo(standIn->filePath(QStringLiteral("Vantoria.ini"))).permission(QFile::WriteOwner));
        QCOMPARE(QDir(standIn->path()).entryList(QDir::Files),
                 QStringList({QStringLiteral("Vantoria.ini"), QStringLiteral("Vantoria.journal")}));
        // The amplifier's link is reached through the stand-in as in the user's folder.
        QCOMPARE(QFileInfo(standIn->filePath(QStringLiteral("ports/COM3"))).canonicalFilePath(),
                 QStringLiteral("/dev/null"));
        // Removing the stand-in removes the link, never the user's folder behind it.
        standIn.reset();
        QVERIFY(QFileInfo(QStringLiteral("theirs/ports/COM3")).isSymLink());
    }
};

QTEST_MAIN(TestUserFolder)
#include "test_user_folder.moc"
