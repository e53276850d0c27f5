#pragma once
// What the main window hands every subsystem: the controls, the shared state, the device port, the modal
// dialogs, the language lines, the status display and the three timers.

#include "Dialogs.h"

class CSerial;
class Form;
class Language;
class ProgramStatus;
class QTimer;
struct ProgramState;

struct Timers {
    QTimer& deviceCom; // one step of the device session per tick
    QTimer& graph;     // graph sampling and data log rows while measuring
    QTimer& clock;     // date and time, once a second
};

struct MainContext {
    Form& form;
    ProgramState& state;
    CSerial& devicePort;
    Dialogs& dialogs;
    const Language& language;
    ProgramStatus& status;
    Timers timers;
    FileDialogState& dialogSave; // keep their filter and file name between two uses
    FileDialogState& dialogOpen;
};
