// Windows has no signals to end a program with. Ctrl+C, Ctrl+Break and closing the console window the
// program was started from reach a console handler, on a thread of its own; the handler hands the end to the
// event loop as the signals do on Linux. For the events after which Windows ends the process as soon as the
// handler returns (the console closed, logging off, shutting down), it waits for the program to end itself.
#include "app/EndSignals.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

namespace end_signals {

namespace {
std::function<void()> ending;

BOOL WINAPI onConsoleEvent(DWORD event) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || !ending)
        return FALSE;
    QMetaObject::invokeMethod(
        application, [] { ending(); }, Qt::QueuedConnection);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::Sleep(INFINITE); // the program's own exit ends this thread with it
    return TRUE;
}
} // namespace

void install(std::function<void()> end) {
    ending = std::move(end);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

} // namespace end_signals
