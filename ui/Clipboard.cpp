#include "ui/Clipboard.h"

#include "winlib/UniqueHandle.h"

#include <cstring>

namespace {

class CClipboardCloser {
public:
    CClipboardCloser() = default;
    ~CClipboardCloser() { ::CloseClipboard(); }
    CClipboardCloser(const CClipboardCloser&) = delete;
    CClipboardCloser& operator=(const CClipboardCloser&) = delete;
};

// A global memory block freed with its owner unless handed over.
struct GlobalBlockTraits : NullInvalidTraits<HGLOBAL> {
    static void Close(HGLOBAL block) noexcept { ::GlobalFree(block); }
};
using CGlobalBlock = CUniqueHandle<GlobalBlockTraits>;

}  // namespace

bool CopyToClipboard(HWND owner, const void* data, size_t size)
{
    if (!data)
        return false;
    if (!::OpenClipboard(owner))
        return false;
    const CClipboardCloser closer;
    ::EmptyClipboard();

    // SetClipboardData takes only a movable block.
    CGlobalBlock block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size));
    if (!block.Get())
        return false;
    void* bytes = ::GlobalLock(block.Get());
    if (!bytes)
        return false;
    std::memcpy(bytes, data, size);
    ::GlobalUnlock(block.Get());

    if (!::SetClipboardData(CF_TEXT, block.Get()))
        return false;
    block.Detach();  // the clipboard's now
    return true;
}
