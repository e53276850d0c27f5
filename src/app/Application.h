#pragma once
// The application object. Its notify() is the one place where an exception that leaves an event handler is
// caught: the error box shows it and the program goes on with the state the handler had reached. No
// exception ever unwinds through Qt's event loop.

#include <QApplication>

class Dialogs;

class VantoriaApplication : public QApplication {
public:
    VantoriaApplication(int& argc, char** argv);

    // The built-in look: Fusion with the program's own style sheet.
    void applyVisualStyle();

    // Where errors are shown; without one they go to the log only.
    void setDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error in the standard error box. While one box is open, further errors (a failing timer
    // handler would raise one per tick) are logged instead of stacking boxes.
    void showError(const QString& message);

private:
    Dialogs* dialogs_ = nullptr;
    bool showingError_ = false;
};

// The title every window and box of the program carries.
inline constexpr const char* ApplicationTitle = "Vantoria 4.0.3";
inline constexpr const char* ApplicationVersion = "4.0.3.38";
