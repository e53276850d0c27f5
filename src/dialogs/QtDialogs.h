#pragma once
#include "dialogs/Dialogs.h"

class QWidget;

// The real dialogs, modal over the main window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void showError(const QString& message) override;
    void inform(const QString& message) override;
    bool askYesNo(const QString& question) override;
    SaveChoice askSaveDiscardCancel(const QString& question) override;
    bool runSaveDialog(FileDialogState& state) override;
    bool runOpenDialog(FileDialogState& state) override;
    bool runPrintDialog(QPrinter& printer) override;
    bool askText(const QString& question, QString& text) override;
    void openExternally(const QUrl& url) override;
    // An error box that does not wait for the user, for a fault the program works around before the event
    // loop runs (a working folder that cannot be used).
    void warn(const QString& message);

    // "Setup (*.ini)|*.INI" as a Qt name filter: "Setup (*.ini *.INI)".
    static QString qtFilter(const QString& filter);

private:
    QWidget* parent_;
};
