-- The plant's records server, schema version 4: the database, its tables and the role that holds the press
-- PCs' rights. Run once as a superuser of the PostgreSQL server, e.g.  sudo -u postgres psql -f records-server.sql
-- The press PCs only ever insert and read; nothing of a record is changed or deleted through them.
-- records-server.md tells how to give each PC a login of its own, and how to bring a version 1 server here.

-- The rights of every press PC. Each PC logs in with a role of its own that is a member of this one
-- (CREATE ROLE press_07 LOGIN IN ROLE vantoria_writer), so that the server knows which PC sent a row.
CREATE ROLE vantoria_writer LOGIN;
CREATE DATABASE vantoria_records ENCODING 'UTF8' TEMPLATE template0;
REVOKE ALL ON DATABASE vantoria_records FROM PUBLIC;
GRANT CONNECT ON DATABASE vantoria_records TO vantoria_writer;

-- A PC that freezes or loses its power halfway through a send holds the writers' lock, and every other PC
-- waits for it: the server ends such a session after half a minute without a word, and finds a PC that is
-- gone from the network by TCP keepalives within about two minutes.
ALTER DATABASE vantoria_records SET idle_in_transaction_session_timeout = '30s';
ALTER DATABASE vantoria_records SET tcp_keepalives_idle = 60;
ALTER DATABASE vantoria_records SET tcp_keepalives_interval = 10;
ALTER DATABASE vantoria_records SET tcp_keepalives_count = 6;
-- The plant's queries over a day of clamps run in a fraction of a second; compiling them with LLVM takes
-- about as long again, since the BRIN index's estimates make them look far costlier than they are.
ALTER DATABASE vantoria_records SET jit = off;

\connect vantoria_records

-- One sequence for records and notes: a PC pulls everything after the last number it has seen.
CREATE SEQUENCE record_seq;

CREATE TABLE records (
    id uuid PRIMARY KEY,
    taken_at timestamptz NOT NULL,
    utc_offset_min integer NOT NULL,
    machine text NOT NULL,
    serial_nr text NOT NULL,
    comment text NOT NULL,
    operator text NOT NULL,
    amplifier text NOT NULL,
    port text NOT NULL,
    unit text NOT NULL,
    channel1 double precision,
    channel2 double precision,
    channel3 double precision,
    channel4 double precision,
    sensor11 double precision,
    sensor12 double precision,
    sensor21 double precision,
    sensor22 double precision,
    sensor31 double precision,
    sensor32 double precision,
    sensor41 double precision,
    sensor42 double precision,
    main_value double precision,
    total_kn double precision,
    total_tons double precision,
    deviation double precision,
    tolerance double precision,
    within_tolerance boolean,
    k_factor double precision,
    e_modulus double precision,
    bar_diameter double precision,
    program text NOT NULL,
    host text NOT NULL,
    note text NOT NULL,
    -- The unit of total_tons ('t' or 'US t') and of the sensors; '' where an older program sent the record.
    tons_unit text NOT NULL DEFAULT '',
    sensor_unit text NOT NULL DEFAULT '',
    -- When the amplifier was last zeroed before the record, UTC, ISO 8601; '' not since the program
    -- started on that PC; NULL not known.
    zeroed_at text,
    seq bigint NOT NULL UNIQUE DEFAULT nextval('record_seq'),
    -- Filled in by the server, never by a PC: when it was stored, by the server's clock, and the login of
    -- the PC that sent it.
    received_at timestamptz NOT NULL DEFAULT now(),
    sent_by text NOT NULL DEFAULT session_user
);
CREATE INDEX records_machine_taken ON records (machine, taken_at);
CREATE INDEX records_taken ON records (taken_at);

-- Notes added to a record later, by any PC of the plant.
CREATE TABLE record_notes (
    id uuid PRIMARY KEY,
    record_id uuid NOT NULL REFERENCES records (id),
    added_at timestamptz NOT NULL,
    author text NOT NULL,
    text text NOT NULL,
    seq bigint NOT NULL UNIQUE DEFAULT nextval('record_seq'),
    received_at timestamptz NOT NULL DEFAULT now(),
    sent_by text NOT NULL DEFAULT session_user
);
CREATE INDEX record_notes_record ON record_notes (record_id);

-- Every clamp of every press, as its PC detected it: a press clamps about a million times a year, so this
-- table grows by millions of rows, and it is read by machine and time range ("P-12 last week"). A plain
-- table with a B-tree on (machine, started_at) serves that in a few page reads at any size, and a BRIN on
-- started_at, a few pages for years of rows arriving in time order, serves the plant-wide ranges; it
-- summarizes each block range once it is full, since autovacuum would leave the newest days unsummarized,
-- and every query of "the last 24 hours" would then read all of them. Monthly
-- partitions were not chosen: the PCs' role may not create the next month's partition, a month without one
-- would refuse every clamp, and a partitioned table cannot keep id unique on its own, which a PC's resend
-- relies on.
CREATE TABLE cycles (
    id uuid PRIMARY KEY,
    machine text NOT NULL,
    started_at timestamptz NOT NULL,
    ended_at timestamptz NOT NULL,
    plateau_ms bigint NOT NULL,
    snapshots integer NOT NULL,
    unit text NOT NULL,
    channel1 double precision NOT NULL,
    channel2 double precision NOT NULL,
    channel3 double precision NOT NULL,
    channel4 double precision NOT NULL,
    main_value double precision,
    total_kn double precision,
    total_tons double precision,
    deviation double precision,
    share1 double precision NOT NULL,
    share2 double precision NOT NULL,
    share3 double precision NOT NULL,
    share4 double precision NOT NULL,
    short boolean NOT NULL,
    alarm boolean NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now(),
    sent_by text NOT NULL DEFAULT session_user
);
CREATE INDEX cycles_machine_started ON cycles (machine, started_at);
CREATE INDEX cycles_started ON cycles USING brin (started_at) WITH (autosummarize = on);

-- What a machine's clamps looked like while it was taught; the newest of a machine counts.
CREATE TABLE cycle_references (
    id uuid PRIMARY KEY,
    machine text NOT NULL,
    taught_at timestamptz NOT NULL,
    operator text NOT NULL,
    unit text NOT NULL,
    clamps integer NOT NULL,
    channel1_mean double precision NOT NULL,
    channel2_mean double precision NOT NULL,
    channel3_mean double precision NOT NULL,
    channel4_mean double precision NOT NULL,
    channel1_sd double precision NOT NULL,
    channel2_sd double precision NOT NULL,
    channel3_sd double precision NOT NULL,
    channel4_sd double precision NOT NULL,
    share1_mean double precision NOT NULL,
    share2_mean double precision NOT NULL,
    share3_mean double precision NOT NULL,
    share4_mean double precision NOT NULL,
    share1_sd double precision NOT NULL,
    share2_sd double precision NOT NULL,
    share3_sd double precision NOT NULL,
    share4_sd double precision NOT NULL,
    total_mean double precision NOT NULL,
    total_sd double precision NOT NULL,
    cycle_ms bigint NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now(),
    sent_by text NOT NULL DEFAULT session_user
);
CREATE INDEX cycle_references_machine ON cycle_references (machine, taught_at);

-- A clamp that left its machine's reference; cycle_id is NULL where no clamp came for too long.
CREATE TABLE cycle_alarms (
    id uuid PRIMARY KEY,
    cycle_id uuid REFERENCES cycles (id),
    machine text NOT NULL,
    kind text NOT NULL CHECK (kind IN ('total', 'share', 'deviation', 'no_clamp')),
    bar integer NOT NULL,
    value double precision NOT NULL,
    reference double precision NOT NULL,
    band double precision NOT NULL,
    limit_value double precision NOT NULL,
    unit text NOT NULL,
    raised_at timestamptz NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now(),
    sent_by text NOT NULL DEFAULT session_user
);
CREATE INDEX cycle_alarms_machine ON cycle_alarms (machine, raised_at);
CREATE INDEX cycle_alarms_cycle ON cycle_alarms (cycle_id);

-- The first acknowledgement of an alarm; a PC keeps no later one.
CREATE TABLE cycle_alarm_acks (
    alarm_id uuid PRIMARY KEY REFERENCES cycle_alarms (id),
    acknowledged_by text NOT NULL,
    acknowledged_at timestamptz NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now(),
    sent_by text NOT NULL DEFAULT session_user
);

CREATE TABLE schema_version (version integer NOT NULL);
INSERT INTO schema_version VALUES (4);

-- Append-only: insert and read, never update, delete or truncate.
REVOKE ALL ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO vantoria_writer;
GRANT SELECT, INSERT ON records, record_notes, cycles, cycle_references, cycle_alarms, cycle_alarm_acks
    TO vantoria_writer;
GRANT SELECT ON schema_version TO vantoria_writer;
GRANT USAGE ON SEQUENCE record_seq TO vantoria_writer;
