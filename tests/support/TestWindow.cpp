#include "TestWindow.h"

#include "cycles/CycleWatch.h"

#include "Controls.h"
#include "Resources.h"
#include "graph/GraphControls.h"
#include "graph/Journal.h"
#include "graph/LiveGraph.h"
#include "records/RecordButtons.h"
#include "settings/LanguageApplier.h"
#include "settings/TextFile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <csignal>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {
// The tests read German texts, and a new settings file takes the desktop's language: theirs is German.
[[maybe_unused]] const bool germanDesktop = [] {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    return true;
}();
} // namespace

TestWindow::TestWindow(const std::function<void(ScriptedDialogs&)>& prepare) {
    if (prepare)
        prepare(dialogs);
    window = std::make_unique<TfrmMain>(port, state, dialogs);
    window->timerDeviceCom().stop();
    window->timerClock().stop();
    window->timerGraph().stop();
    window->graphControls().setClock([this] { return monotonicMs; });
    window->graph().setClock([this] { return monotonicMs; });
    window->recordButtons().setClock([this] { return monotonicMs; });
    const QDateTime started = QDateTime::currentDateTimeUtc();
    window->cycleWatch().setClock([this] { return monotonicMs; },
                                  [this, started] { return started.addMSecs(monotonicMs); });
    window->cycleWatch().setSound([] {});
}

TestWindow::~TestWindow() = default;

QString TestWindow::statusLine(int line) const {
    return controls::line(memo(QStringLiteral("memoProgramState")), line);
}

void TestWindow::clickTab(const QString& page) const {
    window->show();
    auto* tabs = control<QTabWidget>(QStringLiteral("tabSystem"));
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tabs->indexOf(control(page))).center());
    if (tabs->currentWidget() != control(page))
        qFatal("the click did not bring %s forward", qPrintable(page));
}

void TestWindow::applyLanguage(const char* choice) const {
    if (choice)
        button(QString::fromLatin1(choice))->setChecked(true);
    window->languageApplier().ApplyLanguage();
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

QStringList settingsLayout() { return textfile::decode(shippedFile(QStringLiteral("Vantoria.ini"))).lines; }

QByteArray shippedFile(const QString& name) {
    ensureResources();
    QFile file(QStringLiteral(":/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

SmallFileSystem::SmallFileSystem(const QString& folder, const QString& options)
    : folder_(folder), mounted_(QDir().mkpath(folder) &&
                                QProcess::execute(QStringLiteral("mount"),
                                                  {"-t", "tmpfs", "-o", options, "tmpfs", folder}) == 0) {}

SmallFileSystem::~SmallFileSystem() {
    if (mounted_)
        QProcess::execute(QStringLiteral("umount"), {folder_});
}

#ifdef _WIN32
// Windows limits no file's size: the cases that need a full disk are left to the Linux tests.
DiskFull::DiskFull(unsigned long long bytes) : saved_(bytes) {}
DiskFull::~DiskFull() = default;
#else
DiskFull::DiskFull(unsigned long long bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    saved_ = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

DiskFull::~DiskFull() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = saved_;
    setrlimit(RLIMIT_FSIZE, &limit);
}
#endif

void writeSettingsFile(const QStringList& lines, const QString& path) {
    writeFile(path, textfile::encode(lines, {}));
}

void freshFolder() {
    writeSettingsFile(settingsLayout());
    QFile::remove(QString::fromLatin1(Journal::DefaultFileName));
}

void writeSettingsWith(std::initializer_list<std::pair<int, QString>> changes, const QString& path) {
    QStringList lines = settingsLayout();
    for (const auto& [line, text] : changes)
        lines[line] = text;
    writeSettingsFile(lines, path);
}

QStringList readLines(const QString& path) { return textfile::decode(readFile(path)).lines; }
