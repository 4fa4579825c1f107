// Kernel handles, worker threads and locks with owners.
#pragma once

#include <windows.h>
#include <utility>

class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : m_Handle(handle) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& other) noexcept : m_Handle(std::exchange(other.m_Handle, nullptr)) {}
    CHandle& operator=(CHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_Handle = std::exchange(other.m_Handle, nullptr);
        }
        return *this;
    }
    void Close()
    {
        if (*this)
            ::CloseHandle(m_Handle);
        m_Handle = nullptr;
    }
    HANDLE Get() const { return m_Handle; }
    // A failed CreateFile gives INVALID_HANDLE_VALUE, which to CloseHandle is this process.
    explicit operator bool() const { return m_Handle != nullptr && m_Handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_Handle = nullptr;
};

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
