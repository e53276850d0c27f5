#pragma once
// Line numbers of the language files. Lines are addressed by number, never by key; a file holds 122 lines.

namespace lang {

// Status texts shown in the slots of the status display.
constexpr int GraphStarted = 1;
constexpr int MeasurementRunning = 2;
constexpr int DeviceReset = 3;
constexpr int MeasurementStopped = 6;
constexpr int BarDiameterSent = 7;
constexpr int EModulusSent = 8;
constexpr int Ready = 9;
constexpr int Connecting = 10;
constexpr int GraphStoppedIdle = 13;
// The five device type names, types QT31 to QT35, the same in every language.
constexpr int FirstDeviceName = 16;
constexpr int LastDeviceName = 20;

constexpr int PageGraph = 23;
constexpr int PageMainView = 24;
constexpr int PageBigView = 25;
constexpr int PageSettings = 26;
constexpr int Machine = 27;
constexpr int SerialNr = 28;
constexpr int Comment = 29;
constexpr int TotalForceKN = 30;  // also the main value caption in kN
constexpr int ForceWord = 31;     // followed by " [tons]" or " [UStons]"
constexpr int AverageStrain = 32; // main value caption in micro-strain
constexpr int BarDiameter = 33;
constexpr int EModulus = 34;
constexpr int Tolerance = 35;
constexpr int Divergence = 36;
constexpr int ChannelWord = 37; // carries its trailing blank; the channel digit follows
constexpr int TimeWord = 38;
constexpr int DateWord = 39;
constexpr int UnitColumn = 40;
constexpr int StopCaption = 41; // btnMeasurement while measuring: the measuring flag
constexpr int StartCaption = 42;
constexpr int Reset = 43;
constexpr int UnitSelect = 44;
// Not used by the original layout; the program's own question when the settings cannot be saved on close.
constexpr int CloseWithoutSaving = 45;
constexpr int LanguageGroup = 49;
constexpr int German = 50;
constexpr int English = 51;
constexpr int Italian = 52;
constexpr int ViewGroup = 53;
constexpr int ShowSingleValue = 54;
constexpr int ConnectionGroup = 55;
constexpr int AutoPort = 56;
constexpr int ManualPort = 57;
constexpr int ShowTolerance = 61;
constexpr int OtherLanguage = 62;
constexpr int KFactor = 63;
constexpr int ShowKFactor = 64;
constexpr int SensorWord = 65; // carries its trailing blank
constexpr int LoadCustomSettings = 66;
constexpr int SensorUnit = 67;
constexpr int WaitingForDevice = 68;
constexpr int MainValueColumn = 69;
constexpr int GraphClear = 70;
constexpr int GraphTimeUnit = 71;
constexpr int GraphSampling = 72;
constexpr int CsvDelimiter = 73;

// Number lines: left edges in pixels, font sizes in points.
constexpr int LeftChannel1BigView = 79;       // 81, 83, 85 for channels 2 to 4
constexpr int LeftMainValueBigViewUnit1 = 87; // 89 unit 2, 91 unit 3
constexpr int LeftMachine = 93;
constexpr int LeftSerialNr = 95;
constexpr int LeftComment = 97;
constexpr int LeftChannel1 = 99;        // 101, 103, 105 for channels 2 to 4
constexpr int LeftMainValueUnit1 = 107; // 109 unit 2, 111 unit 3
constexpr int LeftGraphSampling = 113;
constexpr int LeftGraphTimeUnit = 115;
constexpr int FontSizeReset = 119;
constexpr int FontSizeUnitSelect = 121;

constexpr int LineCount = 122;

} // namespace lang
