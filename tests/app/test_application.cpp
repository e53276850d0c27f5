// An exception that leaves an event handler is shown in the error box, and the program keeps running.

#include "Errors.h"
#include "Testing.h"
#include "app/Application.h"
#include "app/EndSignals.h"
#include <QSocketNotifier>

#include <list>

class TestApplication : public QObject {
    Q_OBJECT

private slots:
    void anExceptionInAHandlerReachesTheErrorBoxOnceAndTheProgramGoesOn() {
        auto* app = static_cast<VantoriaApplication*>(QCoreApplication::instance());
        struct Reentrant : ScriptedDialogs {
            void showError(const QString& message) override {
                ScriptedDialogs::showError(message);
                // A timer failing again while the box is open must not stack a second box.
                static_cast<VantoriaApplication*>(qApp)->showError(QStringLiteral("second"));
            }
        } dialogs;
        app->setDialogs(&dialogs);
        int handled = 0;
        std::list<QTimer> timers; // each handler from a timer's event, as the window's timers run them
        const auto soon = [&](const std::function<void()>& handler) {
            QTimer& timer = timers.emplace_back();
            timer.setSingleShot(true);
            connect(&timer, &QTimer::timeout, handler);
            timer.start(0);
        };
        soon([] { throw UserError(QStringLiteral("Cannot open file \"x\".")); });
        soon([&] { ++handled; });
        QTRY_COMPARE_WITH_TIMEOUT(handled, 1, 5000);
        QCOMPARE(dialogs.errors, QStringList{QStringLiteral("Cannot open file \"x\".")});
        soon([] { throw 42; }); // a foreign exception type is shown too
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.errors.size(), 2, 5000);
        app->setDialogs(nullptr);
    }

    void theEndSignalWatcherGoesWithTheApplicationAndIsReplacedNotAdded() { // LeakSanitizer found it
        SKIP_ON_WINDOWS("signals");
        end_signals::install([] {});
        end_signals::install([] {});
        QCOMPARE(qApp->findChildren<QSocketNotifier*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    }
};

int main(int argc, char** argv) {
    VantoriaApplication app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_application.moc"
