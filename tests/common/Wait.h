// Waiting in tests: for what the test expects, with a deadline, never for a fixed time. A
// fixed wait is too short on a loaded machine and wasted on an idle one.
#pragma once

#include <windows.h>

#include <functional>

// How long a test waits for something that should come at once: long, as it costs nothing
// when the thing comes, and a loaded machine may take seconds.
constexpr DWORD kWaitMs = 10000;

// Which messages of this thread are carried out while waiting.
enum class Serve {
    All,       // every message; those of `dialog` through its keyboard handling
    SentOnly,  // only messages sent from other threads: posted ones stay queued
};

// Carries out this thread's messages until `done` holds (true) or `timeoutMs` passes (false).
// `done` is asked first after the messages waiting now are carried out, then whenever a
// message comes, at least every 5 ms.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs, HWND dialog = nullptr,
               Serve serve = Serve::All);

// True when this thread's queue is empty: the input it sent through the system (which queues
// it before SendInput returns) has been handled, and what it invalidated has been painted.
bool QueueIsEmpty();

// Carries out messages until the queue is empty; what most input of a test waits for.
bool PumpUntilHandled(DWORD timeoutMs = kWaitMs);

// Carries out messages for a fixed time. Only for a test that proves something does NOT
// happen within that time: every call says so.
void PumpMessages(DWORD ms);

// Joins a thread when it goes out of scope, on every path: an assertion that returns early
// cannot leave the thread running on the test's stack.
class CJoinOnExit {
public:
    explicit CJoinOnExit(HANDLE thread) : m_Thread(thread) {}
    ~CJoinOnExit() { Join(); }
    CJoinOnExit(const CJoinOnExit&) = delete;
    CJoinOnExit& operator=(const CJoinOnExit&) = delete;
    void Join()
    {
        if (m_Thread)
            ::WaitForSingleObject(m_Thread, INFINITE);
        m_Thread = nullptr;
    }

private:
    HANDLE m_Thread;
};

// True once the thread (or process) has ended.
inline bool HasEnded(HANDLE handle) { return ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }
