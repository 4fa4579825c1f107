#include "Thread.h"

#include <exception>
#include <memory>
#include <utility>

namespace {
DWORD WINAPI RunBody(LPVOID body)
{
    const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(body));
    try {
        (*owned)();
    } catch (const std::exception&) {
        // The thread's edge: what its body could not handle ends the thread alone.
    }
    return 0;
}
}  // namespace

CHandle StartThread(std::function<void()> body, SIZE_T stackReserve)
{
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    HANDLE thread = ::CreateThread(nullptr, stackReserve, RunBody, owned.get(),
                                   stackReserve ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    if (!thread) {
        const DWORD error = ::GetLastError();
        owned.reset();
        ::SetLastError(error);
        return CHandle();
    }
    owned.release();  // the thread's now
    return CHandle(thread);
}
