#include "WindowTexts.h"

#include "Controls.h"
#include "Views.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

WindowTexts::WindowTexts(const Pages& pages, const MachineInfo& machine, const SettingsPage& settings,
                         std::vector<OwnCaption> captions)
    : pages_(pages), machine_(machine), settings_(settings), captions_(std::move(captions)) {}

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

    for (const OwnCaption& caption : captions_) {
        const QString text = language.own(caption.text);
        if (caption.tooltip)
            caption.control->setToolTip(text);
        else if (auto* group = qobject_cast<QGroupBox*>(caption.control))
            group->setTitle(text);
        else if (auto* label = qobject_cast<QLabel*>(caption.control))
            label->setText(text);
    }
    const OwnText corners[] = {OwnText::TopLeft, OwnText::TopRight, OwnText::BottomLeft,
                               OwnText::BottomRight};
    for (int channel = 1; channel <= 4; ++channel)
        for (int corner = 0; corner < 4; ++corner)
            settings_.positionButtons[channel - 1][corner]->setToolTip(
                language.text(lang::ChannelWord) + QString::number(channel) + QStringLiteral(": ") +
                language.own(corners[corner]));
}
