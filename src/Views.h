#pragma once
// Typed views over the window's controls. TfrmMain builds them once from the generated form and hands each
// subsystem only the views it works on, so a constructor shows what a class may touch and a misspelt
// control fails to compile. The controls keep their names as object names; nothing here looks them up.

#include <array>
#include <vector>

class QAbstractButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QSpinBox;
class QTableView;
class QTableWidget;
class QWidget;

struct Pages {
    QTabWidget* tabs;
    QWidget* mainView;
    QWidget* bigView;
    QWidget* graph;
    QWidget* settings;
    QWidget* history;
};

// memoProgramState and the clock labels.
struct StatusView {
    QPlainTextEdit* programState;
    QLabel* time;
    QLabel* date;
};

// One display position, a corner of the machine picture, on the main view and the big view.
struct PositionDisplays {
    QLabel* channelLabel;
    QLineEdit* channel;
    std::array<QLabel*, 2> sensorLabels;
    std::array<QLineEdit*, 2> sensors;
    QLabel* channelLabelBig;
    QLineEdit* channelBig;
};

// micro-strain, kN and tons, the one of the device's unit drawn black.
struct UnitIndicators {
    QLabel* microStrain;
    QLabel* kiloNewton;
    QLabel* tons;
};

// Every value display of the main view and the big view.
struct ValueView {
    std::array<PositionDisplays, 4> positions; // display positions 1 to 4
    QLabel* mainValueLabel;
    QLineEdit* mainValue;
    QLabel* mainValueLabelBig;
    QLineEdit* mainValueBig;
    QLabel* totalKNLabel;
    QLineEdit* totalKN;
    QLabel* totalTonsLabel;
    QLineEdit* totalTons;
    UnitIndicators units;
    UnitIndicators unitsBig;
};

// A parameter edited in place: the first click on the button opens the field, the second confirms it.
struct ParameterControls {
    QLabel* label; // none for the device tick field
    QLineEdit* edit;
    QAbstractButton* button;
};

struct ParameterView {
    ParameterControls barDiameter;
    ParameterControls eModulus;
    ParameterControls kFactor;
    ParameterControls tolerance;
    QLabel* divergenceLabel;
    QLineEdit* divergence;
};

// The buttons of a measurement on both views; the caption of `measurement` is the measuring flag.
struct MeasuringButtons {
    QAbstractButton* measurement;
    QAbstractButton* reset;
    QAbstractButton* unitSelect;
    QAbstractButton* resetBig;
    QAbstractButton* unitSelectBig;
    QAbstractButton* save;
    QAbstractButton* print;
};

// Machine, serial number and comment: free texts the settings keep.
struct MachineInfo {
    QLabel* machineLabel;
    QLineEdit* machine;
    QLabel* serialNrLabel;
    QLineEdit* serialNr;
    QLabel* commentLabel;
    QLineEdit* comment;
};

struct AxisLimit {
    QLineEdit* edit;
    QAbstractButton* button;
    const char* defaultText;
};

struct GraphPage {
    QWidget* chart;
    QAbstractButton* startStop;
    QAbstractButton* clear;
    QAbstractButton* save;
    QAbstractButton* print;
    QAbstractButton* csvSave;
    std::array<QAbstractButton*, 4> channelActive;
    QLabel* samplingLabel;
    QLineEdit* sampling;
    QLabel* timeUnitLabel;
    QComboBox* timeUnit;
    std::array<AxisLimit, 4> limits; // y maximum, y minimum, x maximum, x minimum
    QPlainTextEdit* csv;
    QPlainTextEdit* csvBackup;
};

struct LanguageChoice {
    QGroupBox* group;
    QAbstractButton* german;
    QAbstractButton* english;
    QAbstractButton* italian;
    QAbstractButton* other;
    QLabel* pathLabel;
    QLineEdit* path;
    QPlainTextEdit* lines; // memoLanguageObjects: the lines of the file applied last
};

struct ViewOptions {
    QGroupBox* group;
    QAbstractButton* usTons;
    QAbstractButton* tons;
    QAbstractButton* showSingleValue;
    QAbstractButton* showKFactor;
    QAbstractButton* showTolerance;
};

// The port controls record the current port: the number, its name "COM<n>" and the device path.
struct PortControls {
    QGroupBox* group;
    QAbstractButton* autoSelect;
    QAbstractButton* manualSelect;
    QLineEdit* number;
    QAbstractButton* numberSelect;
    QLabel* name;
    QLabel* fullName;
    QComboBox* device;
    QAbstractButton* deviceSelect;
    QAbstractButton* evalReserved;
};

struct SettingsPage {
    LanguageChoice language;
    ViewOptions view;
    PortControls port;
    std::array<QGroupBox*, 4> positionGroups;
    std::array<std::array<QAbstractButton*, 4>, 4> positionButtons; // [channel - 1][corner - 1]
    QLabel* csvDelimiterLabel;
    QLineEdit* csvDelimiter;
    QAbstractButton* loadCustom;
    QAbstractButton* saveCustom;
    QPlainTextEdit* settingsLines; // memoSettings
};

// The service controls of debug mode.
struct DebugControls {
    QPlainTextEdit* traffic;
    QAbstractButton* logActive;
    QAbstractButton* showErrorInfo;
    ParameterControls deviceTick;
};

// The about group: version text, the web label and the logo that switches debug mode.
struct AboutView {
    QLabel* version;
    QLabel* website;
    QLabel* logo;
};

// The record buttons on the main view and the big view, and the operator field beside the first.
struct RecordControls {
    QAbstractButton* record;
    QAbstractButton* recordBig;
    QLabel* operatorLabel;
    QLineEdit* operatorName;
};

// The history page: the stored records, their trend and what can be done with one.
struct HistoryView {
    QTabWidget* tabs;
    QWidget* page;
    QComboBox* machine;
    QLineEdit* search;
    QTableView* records;
    QWidget* chart;
    QAbstractButton* protocol;
    QAbstractButton* exportCsv;
    QAbstractButton* note;
    QLineEdit* csvDelimiter; // the settings page's, as the data log uses it
    QSpinBox* nominal;       // the chosen machine's nominal force, kN; 0 for none
    QLabel* nominalLabel;
};

// Every clamp watched: the banner and its acknowledgement on the main view and the big view, and the
// cycles page with its chart, the teach button and the alarm table.
struct CycleView {
    QTabWidget* tabs;
    QWidget* page;
    QWidget* chart;
    QAbstractButton* teach;
    QLabel* reference;
    QLabel* capability;
    QTableWidget* alarms;
    std::array<QLabel*, 2> banners;                // main view, big view
    std::array<QAbstractButton*, 2> acknowledges; // beside each banner
};

struct Views {
    Pages pages;
    StatusView status;
    ValueView values;
    ParameterView parameters;
    MeasuringButtons measuring;
    MachineInfo machine;
    GraphPage graph;
    SettingsPage settings;
    DebugControls debug;
    AboutView about;
    // The ten controls of debug mode, in the order they are shown and hidden.
    std::vector<QWidget*> debugGroup;
    // What a running measurement enables and a stop disables, in the order they are switched.
    std::vector<QWidget*> measuringGroup;
    RecordControls records;
    HistoryView history;
    CycleView cycles;
};
