#include "Wait.h"

namespace {
void CarryOutWaiting(HWND dialog, Serve serve)
{
    const UINT peek = serve == Serve::SentOnly ? PM_REMOVE | PM_QS_SENDMESSAGE : PM_REMOVE;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, peek)) {
        if (dialog && ::IsDialogMessageA(dialog, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}
}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, HWND dialog, Serve serve)
{
    const DWORD start = ::GetTickCount();
    const DWORD wake = serve == Serve::SentOnly ? QS_SENDMESSAGE : QS_ALLINPUT;
    for (;;) {
        CarryOutWaiting(dialog, serve);
        if (done())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, wake);
    }
}

bool QueueIsEmpty() { return HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0; }

bool PumpUntilHandled(DWORD timeoutMs) { return PumpUntil(QueueIsEmpty, timeoutMs); }

void PumpMessages(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}
