// A process killed in the middle of writing: an SQLite file layer for tests that passes every call on
// to the system's and kills the process (SIGKILL) just before its write number N to any file (the
// registry's database or its write-ahead log), as a crash or a power cut of the program would. It is
// installed in a child process only, so nothing in the libraries under test knows of it.
#pragma once

#include <csignal>
#include <sqlite3.h>
#include <unistd.h>

namespace killvfs {

struct State {
    sqlite3_vfs* system = nullptr;
    long writes = 0;
    long killAt = 0;
};
inline State g_state;

struct File {
    sqlite3_file base;
    sqlite3_file* real; // the system layer's file, right behind this one
};

inline sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<File*>(file)->real;
}

inline int Close(sqlite3_file* f) {
    return Real(f)->pMethods->xClose(Real(f));
}
inline int Read(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
    return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
}
inline int Write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    if (++g_state.writes == g_state.killAt) kill(getpid(), SIGKILL);
    return Real(f)->pMethods->xWrite(Real(f), data, amount, offset);
}
inline int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    return Real(f)->pMethods->xTruncate(Real(f), size);
}
inline int Sync(sqlite3_file* f, int flags) {
    return Real(f)->pMethods->xSync(Real(f), flags);
}
inline int FileSize(sqlite3_file* f, sqlite3_int64* size) {
    return Real(f)->pMethods->xFileSize(Real(f), size);
}
inline int Lock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xLock(Real(f), level);
}
inline int Unlock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xUnlock(Real(f), level);
}
inline int CheckReservedLock(sqlite3_file* f, int* out) {
    return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
inline int FileControl(sqlite3_file* f, int op, void* arg) {
    return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
inline int SectorSize(sqlite3_file* f) {
    return Real(f)->pMethods->xSectorSize(Real(f));
}
inline int DeviceCharacteristics(sqlite3_file* f) {
    return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
inline int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
inline int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
inline void ShmBarrier(sqlite3_file* f) {
    Real(f)->pMethods->xShmBarrier(Real(f));
}
inline int ShmUnmap(sqlite3_file* f, int deleteFlag) {
    return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
}
inline int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
    return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
inline int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
    return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
}

inline const sqlite3_io_methods kMethods = {3,
                                            Close,
                                            Read,
                                            Write,
                                            Truncate,
                                            Sync,
                                            FileSize,
                                            Lock,
                                            Unlock,
                                            CheckReservedLock,
                                            FileControl,
                                            SectorSize,
                                            DeviceCharacteristics,
                                            ShmMap,
                                            ShmLock,
                                            ShmBarrier,
                                            ShmUnmap,
                                            Fetch,
                                            Unfetch};

inline int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    File* wrapped = reinterpret_cast<File*>(file);
    wrapped->real = reinterpret_cast<sqlite3_file*>(wrapped + 1);
    wrapped->base.pMethods = nullptr;
    int result = g_state.system->xOpen(g_state.system, name, wrapped->real, flags, outFlags);
    // The system's files are of the third version, as these methods are.
    if (wrapped->real->pMethods) wrapped->base.pMethods = &kMethods;
    return result;
}

// Makes the killing layer this process's default, to kill at write number `killAt` (counted from 1).
inline void Install(long killAt) {
    static sqlite3_vfs vfs;
    g_state.system = sqlite3_vfs_find(nullptr);
    g_state.writes = 0;
    g_state.killAt = killAt;
    vfs = *g_state.system;
    vfs.zName = "kill-at-write";
    vfs.szOsFile = static_cast<int>(sizeof(File)) + g_state.system->szOsFile;
    vfs.xOpen = Open;
    sqlite3_vfs_register(&vfs, 1);
}

} // namespace killvfs
