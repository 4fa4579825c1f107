#include "ui/Clipboard.h"

#include <cstring>
#include <utility>

namespace {

class CClipboardCloser {
public:
    CClipboardCloser() = default;
    ~CClipboardCloser() { ::CloseClipboard(); }
    CClipboardCloser(const CClipboardCloser&) = delete;
    CClipboardCloser& operator=(const CClipboardCloser&) = delete;
};

// A global memory block freed with its owner unless handed over.
class CGlobalBlock {
public:
    explicit CGlobalBlock(HGLOBAL block) : m_block(block) {}
    ~CGlobalBlock()
    {
        if (m_block)
            ::GlobalFree(m_block);
    }
    CGlobalBlock(const CGlobalBlock&) = delete;
    CGlobalBlock& operator=(const CGlobalBlock&) = delete;

    HGLOBAL Get() const { return m_block; }
    HGLOBAL Release() { return std::exchange(m_block, nullptr); }

private:
    HGLOBAL m_block;
};

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
    block.Release();  // the clipboard's now
    return true;
}
