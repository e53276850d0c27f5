#pragma once
// Everything modal goes through this interface: the error box, questions, the file dialogs and the print
// dialog. The program uses the Qt implementation; tests use a scripted one, so nothing ever blocks a test.

#include <QString>

class QPrinter;
class QUrl;

// The state a file dialog keeps between two uses: the filter last given to it and the file name, which the
// program clears itself after a completed save.
struct FileDialogState {
    QString filter;   // in the "Description (*.ext)|*.EXT" form the program's texts use
    QString fileName; // set by the dialog when the user confirms a file
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The standard error box: the message of a failed operation; the program goes on afterwards.
    virtual void showError(const QString& message) = 0;
    // A notice that does not wait for the user: the program goes on while it is shown.
    virtual void inform(const QString& message) = 0;
    // A question with the answers yes and no; true for yes.
    virtual bool askYesNo(const QString& question) = 0;
    // Whether to save something before it is lost: save it, let it go, or go back.
    enum class SaveChoice { Save, Discard, Cancel };
    virtual SaveChoice askSaveDiscardCancel(const QString& question) = 0;
    // Run a file dialog; on confirmation the chosen name lands in state.fileName and the result is true.
    virtual bool runSaveDialog(FileDialogState& state) = 0;
    virtual bool runOpenDialog(FileDialogState& state) = 0;
    // Let the user choose a printer; true when printing should go ahead.
    virtual bool runPrintDialog(QPrinter& printer) = 0;
    // A text of several lines; `text` holds what is offered and receives what was typed. False when the
    // user cancelled.
    virtual bool askText(const QString& question, QString& text) = 0;
    // Another program shows it: a file in the desktop's default viewer, a web page in the browser.
    virtual void openExternally(const QUrl& url) = 0;
};
