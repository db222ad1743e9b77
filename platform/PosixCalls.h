// The system calls through which the POSIX file system reads, writes and syncs, so that tests
// can make them stop short or be interrupted by a signal (EINTR) the way a busy system does,
// and see that every byte still arrives. Production code never changes them.
#pragma once

#include <sys/types.h>

struct SPosixCalls {
    int (*pOpen)(const char* pszPath, int flags, mode_t mode);
    ssize_t (*pRead)(int fd, void* pBuffer, size_t size);
    ssize_t (*pWrite)(int fd, const void* pData, size_t size);
    int (*pFsync)(int fd);
    int (*pFtruncate)(int fd, off_t size);
};

// The calls in use; the system's own unless a test put others in.
SPosixCalls& PosixCalls();
// The system's own calls, for a test to put back.
SPosixCalls SystemPosixCalls();
