// CLibrary: a module loaded for as long as its owner lives.
#pragma once

#include "winlib/UniqueHandle.h"

#include <windows.h>

struct LibraryTraits : NullInvalidTraits<HMODULE> {
    static void Close(HMODULE module) noexcept { ::FreeLibrary(module); }
};

class CLibrary : public CUniqueHandle<LibraryTraits> {
public:
    CLibrary() = default;
    explicit CLibrary(const char* name) : CUniqueHandle(::LoadLibraryA(name)) {}

    // The exported function as the given function pointer type, or null.
    template <class Function>
    Function GetProc(const char* name) const
    {
        if (!*this)
            return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(Get(), name)));
    }
};
