#pragma once
// The texts of the window itself: the page titles and the captions of machine, serial number and comment.

#include "settings/LanguageParticipant.h"

struct MachineInfo;
struct Pages;

class WindowTexts : public LanguageParticipant {
public:
    WindowTexts(const Pages& pages, const MachineInfo& machine) : pages_(pages), machine_(machine) {}

    void applyLanguage(const Language& language) override;

private:
    const Pages& pages_;
    const MachineInfo& machine_;
};
