-- Vantoria measurement records: the SQLite database Vantoria.db in the working folder.
--
-- Schema version 2. The program runs this file as it stands to make a new database (it is built into the
-- program), so it is the schema itself, not a copy of it. A database whose schema_version is higher than
-- the program's own was written by a newer program: it is opened read-only and never changed. A version 1
-- file is brought to version 2 in place (see the end of this file).
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

-- This PC's records and notes on their way to the plant server, oldest first. Filled in the same transaction
-- as the record or note it names when a server is named, and for everything of this PC's own that has no
-- row yet when a server is named later. A row stays when the server has it (sent_at), so that what is
-- there already is known; an item the server refused is set aside with the server's reason (refused) and
-- waits until it is retried. Empty without a server.
CREATE TABLE outbox (
    seq     INTEGER PRIMARY KEY AUTOINCREMENT,  -- never reused, so an acknowledgement cannot hit a newer row
    kind    TEXT NOT NULL CHECK (kind IN ('record', 'note')),
    ref     TEXT NOT NULL,                      -- records.id or record_notes.id
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

CREATE TABLE schema_version (
    version INTEGER NOT NULL
);
INSERT INTO schema_version (version) VALUES (3);
PRAGMA application_id = 1448365906;

-- Version 1 had no from_server columns, no records_own, outbox_by_ref and outbox_waiting indexes, and no
-- sent_at and refused columns: its outbox held only what waited, and a row left when the server had it. The
-- program adds them to a version 1 file in one transaction. Its records of another PC's host count as
-- brought from the server where the file ever pulled from one (server_position has a row); its own
-- records and notes without an outbox row are queued once more when a server is named, and the server
-- skips those it already has.
-- Version 2 had no tons_unit and sensor_unit columns; the program adds them, empty in the records there were.
