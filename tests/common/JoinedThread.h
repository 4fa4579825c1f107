// A thread of a test that is joined on every path out of the scope that started it, so no
// assertion returns while the thread still uses the test's stack.
#pragma once

#include "winlib/Thread.h"

#include <windows.h>

#include <functional>
#include <utility>

class CJoinedThread {
public:
    explicit CJoinedThread(std::function<void()> body) : m_Body(std::move(body))
    {
        m_Thread = CHandle(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
    }
    ~CJoinedThread() { Join(); }
    CJoinedThread(const CJoinedThread&) = delete;
    CJoinedThread& operator=(const CJoinedThread&) = delete;

    bool Started() const { return static_cast<bool>(m_Thread); }
    void Join()
    {
        if (m_Thread)
            ::WaitForSingleObject(m_Thread.Get(), INFINITE);
        m_Thread.Close();
    }

private:
    static DWORD WINAPI Run(LPVOID self)
    {
        static_cast<CJoinedThread*>(self)->m_Body();
        return 0;
    }

    std::function<void()> m_Body;
    CHandle m_Thread;
};
