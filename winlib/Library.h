// CLibrary: a module loaded for as long as its owner lives.
#pragma once

#include <windows.h>

class CLibrary {
public:
    explicit CLibrary(const char* name) : m_module(::LoadLibraryA(name)) {}
    ~CLibrary()
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    explicit operator bool() const { return m_module != nullptr; }

    // The exported function as the given function pointer type, or null.
    template <class Function>
    Function GetProc(const char* name) const
    {
        if (!m_module)
            return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(m_module, name)));
    }

private:
    HMODULE m_module;
};
