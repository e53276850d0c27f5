-- Vantoria measurement records: the SQLite database Vantoria.db in the working folder.
--
-- Schema version 4. The program runs this file as it stands to make a new database (it is built into the
-- program), so it is the schema itself, not a copy of it. A database whose schema_version is higher than
-- the program's own was written by a newer program: it is opened read-only and never changed. An older
-- file is brought to version 4 in place, in one transaction (see the end of this file).
--
-- The file carries the application id 0x56544F52 ("VTOR") in its header, so that another program's SQLite
-- file that happens to be called Vantoria.db is recognised as not ours and left alone.
--
-- Records are only ever inserted. A record's values never change; a note written later is a row of
-- record_notes beside it. Texts are stored verbatim, as the user typed them.
--
-- Numbers are numbers: REAL, or NULL where the window showed no number ("E01", an empty field, a sensor
-- that was not polled). Times are ISO-8601 UTC text with milliseconds, "2026-12-07T14:03:27.512Z", so that
-- they sort as text. Statements end with a semicolon at the end of a line.

CREATE TABLE records (
    id               TEXT PRIMARY KEY NOT NULL, -- UUID, lower case, without braces
    nr               INTEGER NOT NULL UNIQUE,   -- running number on this PC, from 1 ("Record 17 stored")
    taken_at         TEXT NOT NULL,             -- when it was taken, UTC
    utc_offset_min   INTEGER NOT NULL,          -- local time minus UTC then, in minutes (CET: 60)
    machine          TEXT NOT NULL,             -- the machine field of the main view
    serial_nr        TEXT NOT NULL,             -- the serial number field
    comment          TEXT NOT NULL,             -- the comment field
    operator         TEXT NOT NULL,             -- who took it
    amplifier        TEXT NOT NULL,             -- amplifier type
    port             TEXT NOT NULL,             -- the amplifier's port as the program showed it
    unit             TEXT NOT NULL,             -- unit of channels and main value: µm/m, kN, t or US t
    channel1         REAL,                      -- tie bars 1 to 4, in `unit`
    channel2         REAL,
    channel3         REAL,
    channel4         REAL,
    sensor11         REAL,                      -- sensor 1.1 (tie bar 1, sensor 1), in `sensor_unit`
    sensor12         REAL,
    sensor21         REAL,
    sensor22         REAL,
    sensor31         REAL,
    sensor32         REAL,
    sensor41         REAL,
    sensor42         REAL,
    main_value       REAL,                      -- the main value as shown, in `unit`
    total_kn         REAL,                      -- total clamping force, kN
    total_tons       REAL,                      -- total clamping force, in `tons_unit`
    deviation        REAL,                      -- the spread of the tie bars, whole percent as shown: (largest
                                                -- / smallest channel magnitude - 1) * 100, cut to a whole
                                                -- number; none unless all four channels are numbers; 100
                                                -- stands for the display's "> 99" (older files hold the
                                                -- percent computed: any value above 99 reads as "> 99")
    tolerance        REAL,                      -- the tolerance the deviation was held against, percent
    within_tolerance INTEGER CHECK (within_tolerance IN (0, 1)), -- 1 within, 0 outside, NULL not known
    k_factor         REAL,                      -- the sensors' K-factor
    e_modulus        REAL,                      -- E-modulus of the tie bars, kN/mm² (210 for steel)
    bar_diameter     REAL,                      -- tie bar diameter, mm
    program          TEXT NOT NULL,             -- program name and version
    host             TEXT NOT NULL,             -- the PC's host name
    note             TEXT NOT NULL,             -- the note taken with the record (may be empty)
    from_server      INTEGER NOT NULL DEFAULT 0, -- 1: a record of another PC brought from the plant server
    tons_unit        TEXT NOT NULL DEFAULT '',  -- unit of total_tons: t or US t
    sensor_unit      TEXT NOT NULL DEFAULT '',  -- unit of the sensors, as unit but never US t
    zeroed_at        TEXT                       -- UTC when the amplifier was last zeroed before this record
);
-- zeroed_at is empty when the amplifier was not zeroed since the program started, and NULL where that is
-- not known. tons_unit and sensor_unit are empty in records of version 2 and older. Those read as US t and t where
-- unit is US t (a total was converted whenever the channels were; sensors never are), else as t and unit.
-- The history, newest first, for all machines and for one; the trend of one machine.
CREATE INDEX records_newest ON records (taken_at DESC, nr DESC);
CREATE INDEX records_by_machine ON records (machine, taken_at DESC, nr DESC);
-- This PC's own records in the order it stored them: "the last record" is the newest of these.
CREATE INDEX records_own ON records (from_server, nr);

-- Notes added to a record later, in the order they were added. The record's note as shown is its own note
-- followed by one line per added note: "text (Name, 2026-12-07 14:03 UTC)".
CREATE TABLE record_notes (
    id        TEXT PRIMARY KEY NOT NULL,        -- UUID of the note
    record_id TEXT NOT NULL,                    -- records.id
    added_at  TEXT NOT NULL,                    -- UTC, as taken_at
    author    TEXT NOT NULL,
    text      TEXT NOT NULL,
    from_server INTEGER NOT NULL DEFAULT 0      -- 1: brought from the plant server
);
CREATE INDEX record_notes_by_record ON record_notes (record_id, added_at);

-- This PC's records, notes and clamps on their way to the plant server, oldest first. Filled in the same transaction
-- as the record or note it names when a server is named, and for everything of this PC's own that has no
-- row yet when a server is named later. A row stays when the server has it (sent_at), so that what is
-- there already is known; an item the server refused is set aside with the server's reason (refused) and
-- waits until it is retried. Empty without a server.
CREATE TABLE outbox (
    seq     INTEGER PRIMARY KEY AUTOINCREMENT,  -- never reused, so an acknowledgement cannot hit a newer row
    kind    TEXT NOT NULL CHECK (kind IN ('record', 'note', 'cycle', 'reference', 'alarm', 'ack')),
    ref     TEXT NOT NULL,                      -- the id of the row it names; a clamp's nr, an ack's alarm_id
    sent_at TEXT,                               -- UTC, when the server acknowledged it; NULL while waiting
    refused TEXT                                -- the server's reason for refusing it; NULL otherwise
);
CREATE INDEX outbox_by_ref ON outbox (ref);
CREATE INDEX outbox_waiting ON outbox (seq) WHERE sent_at IS NULL;

-- Where the last pull of the plant's records from the server ended: the server's own sequence. One row.
CREATE TABLE server_position (
    single   INTEGER PRIMARY KEY CHECK (single = 1),
    position INTEGER NOT NULL
);

-- Every clamp of the press, one row each, as the program detected it in the measurement; rows never change.
-- A press clamps up to a million times a year, so a row is kept small: under 300 bytes with its index. A
-- clamp is read by machine and time, and known by its machine, start and id together (a machine starts no
-- two clamps in the same millisecond): the table has no index of the ids, which would cost a fifth more.
-- The server's queue names a clamp by nr. Times and numbers as in records; channels, main value and totals
-- in `unit` (µm/m, kN, t or US t).
CREATE TABLE cycles (
    nr         INTEGER PRIMARY KEY,             -- in the order of storing; kept by VACUUM
    id         TEXT NOT NULL,                   -- UUID, lower case, without braces
    machine    TEXT NOT NULL,
    started_at TEXT NOT NULL,                   -- UTC: the first measurement cycle above the threshold
    ended_at   TEXT NOT NULL,                   -- UTC: the first one below the release level
    plateau_ms INTEGER NOT NULL,
    snapshots  INTEGER NOT NULL,                -- complete measurement cycles on the plateau
    unit       TEXT NOT NULL,
    channel1   REAL NOT NULL,                   -- tie bars 1 to 4: medians over the plateau
    channel2   REAL NOT NULL,
    channel3   REAL NOT NULL,
    channel4   REAL NOT NULL,
    main_value REAL,                            -- NULL where the amplifier sent none
    total_kn   REAL,                            -- the amplifier's own totals, NULL where it sent none
    total_tons REAL,
    deviation  REAL,                            -- percent, from the median channels
    share1     REAL NOT NULL,                   -- each bar's part of the sum of the channels, percent
    share2     REAL NOT NULL,
    share3     REAL NOT NULL,
    share4     REAL NOT NULL,
    short      INTEGER NOT NULL CHECK (short IN (0, 1)), -- 1: fewer than two complete cycles on the plateau
    alarm      INTEGER NOT NULL CHECK (alarm IN (0, 1))  -- 1: the clamp raised an alarm
);
-- The last clamps of a machine, those since a time, and whether a clamp is there already.
CREATE INDEX cycles_by_machine ON cycles (machine, started_at);

-- What a machine's clamps looked like while it was taught; the newest reference of a machine counts.
CREATE TABLE cycle_references (
    id          TEXT PRIMARY KEY NOT NULL,      -- UUID
    machine     TEXT NOT NULL,
    taught_at   TEXT NOT NULL,                  -- UTC
    operator    TEXT NOT NULL,
    unit        TEXT NOT NULL,
    clamps      INTEGER NOT NULL,               -- how many clamps were taught
    channel1_mean REAL NOT NULL, channel2_mean REAL NOT NULL, channel3_mean REAL NOT NULL,
    channel4_mean REAL NOT NULL,
    channel1_sd REAL NOT NULL, channel2_sd REAL NOT NULL, channel3_sd REAL NOT NULL, channel4_sd REAL NOT NULL,
    share1_mean REAL NOT NULL, share2_mean REAL NOT NULL, share3_mean REAL NOT NULL, share4_mean REAL NOT NULL,
    share1_sd   REAL NOT NULL, share2_sd REAL NOT NULL, share3_sd REAL NOT NULL, share4_sd REAL NOT NULL,
    total_mean  REAL NOT NULL,
    total_sd    REAL NOT NULL,
    cycle_ms    INTEGER NOT NULL                -- mean time from one clamp's start to the next's
);
CREATE INDEX cycle_references_by_machine ON cycle_references (machine, taught_at);

-- A clamp that left the reference, or no clamp for too long (cycle_id NULL).
CREATE TABLE cycle_alarms (
    id          TEXT PRIMARY KEY NOT NULL,      -- UUID
    cycle_id    TEXT,                           -- cycles.id
    machine     TEXT NOT NULL,
    kind        TEXT NOT NULL CHECK (kind IN ('total', 'share', 'deviation', 'no_clamp')),
    bar         INTEGER NOT NULL,               -- 1..4 for 'share', else 0
    value       REAL NOT NULL,                  -- what was found
    reference   REAL NOT NULL,                  -- what it was held against
    band        REAL NOT NULL,                  -- the allowed difference, 0 where none
    limit_value REAL NOT NULL,                  -- the bound that was crossed
    unit        TEXT NOT NULL,
    raised_at   TEXT NOT NULL                   -- UTC
);
CREATE INDEX cycle_alarms_by_machine ON cycle_alarms (machine, raised_at);

-- Who acknowledged an alarm and when. Only the first acknowledgement of an alarm is kept.
CREATE TABLE cycle_alarm_acks (
    alarm_id        TEXT PRIMARY KEY NOT NULL,  -- cycle_alarms.id
    acknowledged_by TEXT NOT NULL,
    acknowledged_at TEXT NOT NULL               -- UTC
);

CREATE TABLE schema_version (
    version INTEGER NOT NULL
);
INSERT INTO schema_version (version) VALUES (4);
PRAGMA application_id = 1448365906;

-- Version 1 had no from_server columns, no records_own, outbox_by_ref and outbox_waiting indexes, and no
-- sent_at and refused columns: its outbox held only what waited, and a row left when the server had it. The
-- program adds them to a version 1 file in one transaction. Its records of another PC's host count as
-- brought from the server where the file ever pulled from one (server_position has a row); its own
-- records and notes without an outbox row are queued once more when a server is named, and the server
-- skips those it already has.
-- Version 2 had no tons_unit and sensor_unit columns; the program adds them, empty in the records there were.
-- Version 3 had none of the cycle tables, and its outbox took records and notes only: the program rebuilds
-- the outbox with its rows as they were (numbers, sent and refused marks) and adds the cycle tables.
