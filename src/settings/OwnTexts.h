#pragma once
// Texts of the program's own that the language files do not hold: notices, tooltips and the about group.
// They follow the language chosen on the settings page: German, English or Italian, and English for a
// language file of the user's own.

#include <QString>

enum class OwnText {
    ConnectionLost,
    OtherTypeFound, // %1 the type found, %2 the one selected
    WaitingForEntry,
    RowsRecovered, // %1 the number of rows
    SaveScreenshot,
    PrintScreenshot,
    SaveDataLog,
    EditBarDiameter,
    EditEModulus,
    EditKFactor,
    EditTolerance,
    EditDeviceTick,
    ChoosePort,
    ChooseDevice,
    ReservePorts,
    SaveCustomSettings,
    ChooseLanguageFile,
    YMaximum,
    YMinimum,
    XMinimum,
    XMaximum,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
    AboutTitle,
    AboutProduct,
    AboutHelp,
    Manual,
    NotASerialPort, // %1 the port number
    AlreadyRunning,
    SettingsCompleted, // %1 the file
    SettingsDamaged,   // %1 the file, %2 where it was kept
    ForgetCustomFile,
    LanguageStandsIn,   // %1 the built-in language file
    UserFolderUnusable, // %1 the folder, %2 the reason
    PortInUse,          // %1 the port number
    PortNotAllowed,     // %1 the port number
    RowsWritten,        // %1 the number of rows, %2 the file
    SaveUnsavedRows,    // %1 the number of rows
    JournalUnwritable,  // %1 the reason
    AverageForce,       // the main value in kN or tons: the average per tie bar, not the total
    FirstDoesNotAnswer,
    LanguageLinesCut,  // %1 the file, %2 the line numbers (from 0), %3 the length kept
    SettingsLinesLong, // %1 the file, %2 the line numbers (from 1), %3 the length a field takes
    // The protocol of a record, one A4 page, and `vantoria --protocol`.
    ProtocolTitle,
    ProtocolMachine,
    ProtocolSerialNr,
    ProtocolComment,
    ProtocolOperator,
    ProtocolTakenAt,
    ProtocolAmplifier,
    ProtocolPort,
    ProtocolProgram,
    ProtocolHost,
    ProtocolMeasurement,
    ProtocolTieBar, // %1 the channel number
    ProtocolMainValue,
    ProtocolTotalForce,
    ProtocolDeviation,
    ProtocolTolerance,
    ProtocolResult,
    ProtocolPass,
    ProtocolFail,
    ProtocolNoVerdict,
    ProtocolWithin,      // %1 the deviation, %2 the tolerance, both in percent
    ProtocolBeyond,      // %1 the deviation, %2 the tolerance, both in percent
    ProtocolNoDeviation, // why there is no verdict
    ProtocolNoTolerance, // why there is no verdict
    ProtocolParameters,
    ProtocolKFactor,
    ProtocolEModulus,
    ProtocolBarDiameter,
    ProtocolUnit,
    ProtocolTrend, // %1 the number of records
    ProtocolNote,
    ProtocolRecordId,
    ProtocolInspector,
    ProtocolApproval,
    ProtocolNoDatabase, // %1 the file
    ProtocolNoRecords,
    ProtocolNoRecord,    // %1 the id asked for
    ProtocolNotWritten,  // %1 the file, %2 the reason
    ProtocolCannotPrint, // %1 the printer
    // The records server's status line: RecordsServerLine with what follows it, separated by ", ".
    RecordsServerLine, // %1 what follows
    RecordsServerLoginRefused,
    RecordsServerUnreachable, // %1 the reason
    RecordsServerAllSent,
    RecordsWaitingCount, // %1 the number of records and notes not yet sent
    RecordsRefused,      // %1 what the server refused ("2 records and 1 note"), %2 its reason
    RecordsOne,
    RecordsMany, // %1 the number, more than one
    NotesOne,
    NotesMany,       // %1 the number, more than one
    RecordsAndNotes, // %1 the records, %2 the notes
    RecordCaption,
    RecordTip,
    RecordNotMeasuring,
    RecordNoCycle,
    RecordValueError,
    RecordSensorError,
    RecordsUnavailable, // %1 the reason
    RecordsReadOnly,
    RecordsNotWritable,
    RecordStored,    // %1 the record's running number
    RecordNotStored, // %1 the reason
    OperatorTip,
    OperatorCaption,
    OperatorNotKept,        // %1 the file, %2 the reason
    RecordsDamaged,         // %1 the database file, %2 where it was kept, %3 the records recovered
    ProtocolServerUnusable, // %1 the record's id, %2 the server's reason
    RecordParameterOpen,
    // The history page.
    PageHistory,
    AllMachines,
    HistoryColumns, // the column captions of the records table, separated by "|"
    CsvColumns,     // the columns the export adds after those of the table, separated by "|"
    SearchRecords,
    ProtocolOfRecord,
    ExportRecords,
    AddNote,
    NoteQuestion, // %1 the machine, %2 the date and time
    NoteNotAdded, // %1 the reason
    ChooseRecord,
    WithinTolerance,  // %1 the tolerance in percent
    OutsideTolerance, // %1 the tolerance in percent
    DeviationPercent,
    FileNotWritten,  // %1 the file, %2 the reason
    ProtocolWritten, // %1 the file
    HistorySearching,
    HistoryCount, // %1 the number of records the filter selects
    HistoryExporting,
    RecordLoadNotSteady,
    RecordNoLoad,
    RecordWaitingForSteadyLoad,
    RecordOnlyWhereValuesShown,
    // The protocol, added later.
    ProtocolTrendOne, // the trend of a single record
    ProtocolSensors,
    ProtocolZeroed,    // %1 the date and time
    ProtocolNotZeroed, // not zeroed since the program started
    ProtocolZeroUnknown,
    ProtocolDeviationDefined,
    ProtocolChecker,
    ProtocolPage,
    // The history's trend.
    TrendOffScale,
    TrendChannelsNotShown, // %1 the units, %2 the number of records
    NominalForce,
    NominalForceTip,
    ProtocolOfNominal, // %1 the nominal force in kN
    // Watching every clamp.
    PageCycles,
    CycleTeach,
    AlarmAcknowledge,
    CycleAlarmShare,     // %1 the bar, %2 its share, %3 the reference share, %4 the band in points
    CycleAlarmTotal,     // %1 the total, %2 the unit, %3 the reference total, %4 the band in percent
    CycleAlarmDeviation, // %1 the deviation, %2 the tolerance, both in percent
    CycleAlarmNoClamp,   // %1 the seconds without a clamp, %2 the taught cycle time in seconds
    CycleAlarmMore,      // %1 the number of further alarms
    CycleTeaching,       // %1 the clamps seen, %2 the clamps wanted
    CycleTaught,         // %1 the clamps, %2 the total, %3 the unit
    CycleTeachTip,
    CycleNoReference,
    CycleNotStored,    // %1 the reason
    CycleAcknowledged, // %1 who
    CycleCapability,   // %1 Cp, %2 Cpk, %3 the number of clamps
    CycleNoCapability, // %1 the number of clamps
    CycleAlarmColumns, // the column captions of the alarm table, separated by "|"
    CycleChartTotal,   // %1 the unit
    CycleChartShares,
    CycleAlarmKinds, // the kinds of alarm as the table names them, separated by "|"
    RecordArmed,
    RecordNoClamp,
    RecordFromClamp, // %1 the clamp's start, %2 the number of cycles
};

// languageCode: "DE", "EN", "IT"; anything else gives English.
QString ownText(OwnText text, const QString& languageCode);
