#include "records/SqliteLocks.h"

#if defined(__linux__)

#include <sqlite3.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace records::sqlite_locks {
namespace {

using Fcntl = int (*)(int, int, ...);
using Close = int (*)(int);
Fcntl systemFcntl = nullptr;
Close systemClose = nullptr;

using Inode = std::pair<dev_t, ino_t>;
// The description that holds this process's locks on one file, and how many of SQLite's descriptors of
// that file have locked through it.
struct Holder {
    int fd = -1;
    int users = 0;
};

std::mutex mutex;
std::map<Inode, Holder> holders;
std::map<int, Inode> lockers; // SQLite's descriptors that have locked, and their file

// A description of its own, opened for writing where the file allows it: a write lock needs one, and the
// first descriptor SQLite locks through may be a read-only one.
int newHolder(int fd) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    int holder = ::open(path, O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (holder < 0)
        holder = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    // Without /proc, a duplicate: the same description as SQLite's, which closing another one still keeps.
    return holder >= 0 ? holder : systemFcntl(fd, F_DUPFD_CLOEXEC, 0);
}

// The holder for SQLite's descriptor `fd`, made on its first lock; -1 when none can be had.
int holderFor(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return -1;
    const Inode inode{st.st_dev, st.st_ino};
    std::lock_guard lock(mutex);
    const auto known = lockers.find(fd);
    if (known != lockers.end() && known->second != inode)
        return -1; // cannot happen while close() is seen; never lock the wrong file
    Holder& holder = holders[inode];
    if (holder.fd < 0 && (holder.fd = newHolder(fd)) < 0) {
        holders.erase(inode);
        return -1;
    }
    if (known == lockers.end()) {
        lockers.emplace(fd, inode);
        ++holder.users;
    }
    return holder.fd;
}

int lockingFcntl(int fd, int op, ...) {
    va_list args;
    va_start(args, op);
    void* arg = va_arg(args, void*); // as the C library's own fcntl reads it
    va_end(args);
    if (op == F_SETLK || op == F_SETLKW || op == F_GETLK) {
        if (const int holder = holderFor(fd); holder >= 0) {
            auto* lock = static_cast<struct flock*>(arg);
            lock->l_pid = 0;
            const int ofdOp = op == F_SETLK ? F_OFD_SETLK : op == F_SETLKW ? F_OFD_SETLKW : F_OFD_GETLK;
            const int result = systemFcntl(holder, ofdOp, lock);
            if (result == 0 || errno != EINVAL)
                return result;
            // A kernel without such locks: SQLite's own way, hazard and all, rather than none.
        }
    }
    return systemFcntl(fd, op, arg);
}

// Once SQLite has closed every descriptor it locked a file through, the holder goes too: its locks would
// have gone with the last close anyway, and an inode number must not outlive its file in the table.
int closing(int fd) {
    {
        std::lock_guard lock(mutex);
        if (const auto known = lockers.find(fd); known != lockers.end()) {
            const auto holder = holders.find(known->second);
            lockers.erase(known);
            if (holder != holders.end() && --holder->second.users == 0) {
                ::close(holder->second.fd);
                holders.erase(holder);
            }
        }
    }
    return systemClose(fd);
}

} // namespace

// A child made by fork() alone (no exec) would share our holders' descriptions, and with them our locks:
// its own locking would change ours. It starts with none; the parent's stay with the parent.
static void forgetInChild() {
    for (const auto& [inode, holder] : holders)
        ::close(holder.fd);
    holders.clear();
    lockers.clear();
    mutex.unlock();
}

bool install() {
    static const bool installed = [] {
        ::pthread_atfork([] { mutex.lock(); }, [] { mutex.unlock(); }, forgetInChild);
        sqlite3_vfs* vfs = sqlite3_vfs_find("unix");
        if (!vfs || vfs->iVersion < 3 || !vfs->xGetSystemCall || !vfs->xSetSystemCall)
            return false;
        systemFcntl = reinterpret_cast<Fcntl>(vfs->xGetSystemCall(vfs, "fcntl"));
        systemClose = reinterpret_cast<Close>(vfs->xGetSystemCall(vfs, "close"));
        if (!systemFcntl || !systemClose)
            return false;
        // The unix layers ("unix", "unix-excl", ...) share one table of system calls. close() first: a
        // holder is only ever made once locking goes through it.
        return vfs->xSetSystemCall(vfs, "close", reinterpret_cast<sqlite3_syscall_ptr>(closing)) ==
                   SQLITE_OK &&
               vfs->xSetSystemCall(vfs, "fcntl", reinterpret_cast<sqlite3_syscall_ptr>(lockingFcntl)) ==
                   SQLITE_OK;
    }();
    return installed;
}

} // namespace records::sqlite_locks

#else

namespace records::sqlite_locks {
bool install() { return true; } // Windows locks belong to a handle: closing another handle drops nothing
} // namespace records::sqlite_locks

#endif
