#include "Thread.h"

#include <memory>
#include <process.h>

namespace {
struct ThreadStart {
    AFX_THREADPROC proc;
    LPVOID param;
};

unsigned __stdcall ThreadEntry(void* start)
{
    const std::unique_ptr<ThreadStart> owned(static_cast<ThreadStart*>(start));
    return owned->proc(owned->param);
}
}  // namespace

CHandle AfxBeginThread(AFX_THREADPROC proc, LPVOID param)
{
    auto start = std::make_unique<ThreadStart>(ThreadStart{proc, param});
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, ThreadEntry, start.get(), 0, nullptr);
    if (!handle)
        return CHandle();
    start.release();  // the thread owns it now
    return CHandle(reinterpret_cast<HANDLE>(handle));
}
