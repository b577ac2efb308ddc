// The lock files through which Linux serial programs (minicom, picocom, cu
// and others of the UUCP tradition) share a port: LCK..NAME in /run/lock or
// /var/lock, holding the process id of the program that has the port. flock
// and TIOCEXCL stop only programs that use them too; these files are what
// the rest look at.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

enum class SerialLockResult {
    // The lock file is ours until ReleaseSerialLock.
    Taken,
    // A live process holds the port.
    HeldByOther,
    // No lock folder can be written here: the port is used without one.
    NoLockFolder,
};

// Takes the lock of the port whose device path is strDevicePath (symbolic
// links followed; /dev/ttyUSB0 is LCK..ttyUSB0). A lock left by a process
// that is gone is cleared first. On Taken, *pstrLockFile names the file.
SerialLockResult TakeSerialLock(const std::string& strDevicePath, std::string* pstrLockFile);

// Removes the lock file, if it still holds this process's id.
void ReleaseSerialLock(const std::string& strLockFile);

// The process id a lock file's bytes name: ten characters of ASCII and a
// newline (the usual form) or the four bytes of a binary int (an old one);
// 0 for neither.
pid_t LockHolderFromBytes(std::string_view bytes);
