#pragma once
// The texts of the window itself: the page titles, the captions of machine, serial number and comment, and
// the program's own texts that no language file holds (tooltips, the about group).

#include "settings/LanguageParticipant.h"
#include "settings/OwnTexts.h"

#include <vector>

class QWidget;
struct MachineInfo;
struct Pages;
struct SettingsPage;

class WindowTexts : public LanguageParticipant {
public:
    // A control and its own text: as its tooltip, or as its caption (labels and group boxes).
    struct OwnCaption {
        QWidget* control;
        OwnText text;
        bool tooltip;
    };

    WindowTexts(const Pages& pages, const MachineInfo& machine, const SettingsPage& settings,
                std::vector<OwnCaption> captions);

    void applyLanguage(const Language& language) override;

private:
    const Pages& pages_;
    const MachineInfo& machine_;
    const SettingsPage& settings_;
    std::vector<OwnCaption> captions_;
};
