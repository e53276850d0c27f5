#pragma once
// SQLite guards its files with POSIX record locks, and POSIX drops every lock a process holds on a file as
// soon as the process closes any descriptor of that file. Anything else in this process that opens and
// closes Vantoria.db, its -wal or its -shm (a file dialog looking into the folder, a mime-type probe, a
// copy) would silently take our locks away; the next program that closes the database then believes it is
// alone, checkpoints and deletes the write-ahead log we still write into, and records reported stored are
// gone at the next crash.
//
// install() makes SQLite's unix file layer take its locks on an open file description of its own per file
// (Linux open-file-description locks). They conflict with every other process's locks exactly as before,
// so other readers and writers (sqlite3, a second Vantoria) see no difference, but no other descriptor of
// this process can release them. Elsewhere it does nothing.

namespace records::sqlite_locks {

// Call before the first database is opened; later calls do nothing. False when SQLite's unix layer could
// not be changed (the locks stay as SQLite makes them).
bool install();

} // namespace records::sqlite_locks
