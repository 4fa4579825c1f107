// Kernel handles, worker threads and locks with owners.
#pragma once

#include "winlib/UniqueHandle.h"

#include <windows.h>

#include <functional>

// Kernel objects: events, threads, files. A failed CreateFile gives INVALID_HANDLE_VALUE,
// which to CloseHandle is this process: it counts as no handle too.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::CloseHandle(handle); }
};
using CHandle = CUniqueHandle<KernelHandleTraits>;

// True when `event` is set; none (null) is never set.
inline bool IsSignalled(HANDLE event)
{
    return event && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// Starts a thread that runs `body` and destroys it (and what it holds) before it ends; a
// std::exception it lets out ends the thread, never the program. `stackReserve` is the
// address space its stack may take (0: the default). The handle is the caller's to wait on
// or to close; null, with the system's error as this thread's last error, when none started.
CHandle StartThread(std::function<void()> body, SIZE_T stackReserve = 0);

class CCriticalSection {
public:
    explicit CCriticalSection(DWORD spinCount = 0) { ::InitializeCriticalSectionAndSpinCount(&m_Section, spinCount); }
    ~CCriticalSection() { ::DeleteCriticalSection(&m_Section); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    void Lock() { ::EnterCriticalSection(&m_Section); }
    void Unlock() { ::LeaveCriticalSection(&m_Section); }

private:
    CRITICAL_SECTION m_Section;
};

class CSingleLock {
public:
    explicit CSingleLock(CCriticalSection& section) : m_Section(section) { m_Section.Lock(); }
    ~CSingleLock() { m_Section.Unlock(); }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

private:
    CCriticalSection& m_Section;
};
