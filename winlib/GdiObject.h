// Owning wrappers for GDI objects and icons: the object is deleted with its owner.
#pragma once

#include "winlib/UniqueHandle.h"

#include <windows.h>

template <class Handle>
struct GdiObjectTraits : NullInvalidTraits<Handle> {
    static void Close(Handle handle) noexcept { ::DeleteObject(handle); }
};

// Owners hand their object straight to the GDI calls that borrow it.
template <class Handle>
class CGdiObject : public CUniqueHandle<GdiObjectTraits<Handle>> {
public:
    using CUniqueHandle<GdiObjectTraits<Handle>>::CUniqueHandle;
    void DeleteObject() noexcept { this->Close(); }
    operator Handle() const noexcept { return this->Get(); }
};

using CFont = CGdiObject<HFONT>;
using CBitmap = CGdiObject<HBITMAP>;
using CBrush = CGdiObject<HBRUSH>;
using CPen = CGdiObject<HPEN>;

struct IconTraits : NullInvalidTraits<HICON> {
    static void Close(HICON icon) noexcept { ::DestroyIcon(icon); }
};

class CIcon : public CUniqueHandle<IconTraits> {
public:
    using CUniqueHandle::CUniqueHandle;
    void Destroy() noexcept { Close(); }
    operator HICON() const noexcept { return Get(); }
};

// A font made with the fixed quality and family settings our windows use.
HFONT CreateUiFont(const char* face, int height, int weight);
