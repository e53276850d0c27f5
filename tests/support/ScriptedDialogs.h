#pragma once
// Dialogs for tests: every answer is scripted beforehand and every message is recorded, so no test ever
// waits for a modal box.

#include "dialogs/Dialogs.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>

#include <optional>

class ScriptedDialogs : public Dialogs {
public:
    QStringList errors;
    QStringList notices;
    QStringList questions;
    QList<bool> yesNoAnswers;                  // taken in order; "no" once they run out
    QList<SaveChoice> saveChoices;             // taken in order; "discard" once they run out
    QList<std::optional<QString>> saveAnswers; // a name, or nullopt for a cancelled dialog
    QList<std::optional<QString>> openAnswers;
    QList<FileDialogState> saveRequests; // the dialog state as each run found it
    QList<FileDialogState> openRequests;
    bool printAnswer = false;
    int printRuns = 0;
    std::function<void(QPrinter&)> printerChoice; // what the user picks in the print dialog
    QList<QUrl> opened;
    QList<std::optional<QString>> textAnswers; // typed texts, or nullopt for a cancelled box
    QStringList textQuestions;

    void showError(const QString& message) override { errors.append(message); }
    void inform(const QString& message) override { notices.append(message); }
    bool askYesNo(const QString& question) override {
        questions.append(question);
        return yesNoAnswers.isEmpty() ? false : yesNoAnswers.takeFirst();
    }
    SaveChoice askSaveDiscardCancel(const QString& question) override {
        questions.append(question);
        return saveChoices.isEmpty() ? SaveChoice::Discard : saveChoices.takeFirst();
    }
    bool runSaveDialog(FileDialogState& state) override { return answer(state, saveRequests, saveAnswers); }
    bool runOpenDialog(FileDialogState& state) override { return answer(state, openRequests, openAnswers); }
    bool runPrintDialog(QPrinter& printer) override {
        ++printRuns;
        if (printAnswer && printerChoice)
            printerChoice(printer);
        return printAnswer;
    }
    bool askText(const QString& question, QString& text) override {
        textQuestions.append(question);
        const std::optional<QString> typed = textAnswers.isEmpty() ? std::nullopt : textAnswers.takeFirst();
        if (typed)
            text = *typed;
        return typed.has_value();
    }
    void openExternally(const QUrl& url) override { opened.append(url); }

private:
    static bool answer(FileDialogState& state, QList<FileDialogState>& requests,
                       QList<std::optional<QString>>& answers) {
        requests.append(state);
        const std::optional<QString> name = answers.isEmpty() ? std::nullopt : answers.takeFirst();
        if (!name)
            return false;
        state.fileName = *name;
        return true;
    }
};
