#include "WindowTexts.h"

#include "Controls.h"
#include "Views.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QLabel>
#include <QTabWidget>

void WindowTexts::applyLanguage(const Language& language) {
    const std::pair<QWidget*, int> pages[] = {{pages_.mainView, lang::PageMainView},
                                              {pages_.bigView, lang::PageBigView},
                                              {pages_.graph, lang::PageGraph},
                                              {pages_.settings, lang::PageSettings}};
    for (const auto& [page, line] : pages)
        pages_.tabs->setTabText(pages_.tabs->indexOf(page), language.text(line));

    const struct {
        QLabel* label;
        int captionLine;
        int leftLine;
    } captions[] = {{machine_.machineLabel, lang::Machine, lang::LeftMachine},
                    {machine_.serialNrLabel, lang::SerialNr, lang::LeftSerialNr},
                    {machine_.commentLabel, lang::Comment, lang::LeftComment}};
    for (const auto& caption : captions) {
        controls::setCaption(caption.label, language.text(caption.captionLine));
        controls::setLeftFromText(caption.label, language.text(caption.leftLine));
    }
}
