// Kernel handles, worker threads and locks with owners.
#pragma once

#include "winlib/UniqueHandle.h"

#include <windows.h>

// Kernel objects: events, threads, files. A failed CreateFile gives INVALID_HANDLE_VALUE,
// which to CloseHandle is this process: it counts as no handle too.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::CloseHandle(handle); }
};
using CHandle = CUniqueHandle<KernelHandleTraits>;

using AFX_THREADPROC = UINT (*)(LPVOID);

// Starts a worker thread at normal priority with the default stack; the handle is the
// caller's to wait on or to close.
CHandle AfxBeginThread(AFX_THREADPROC proc, LPVOID param);

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
