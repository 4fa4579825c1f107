// CLibrary: a module loaded for as long as its owner lives.
#pragma once

#include <windows.h>

class CLibrary {
public:
    explicit CLibrary(const char* name) : m_Module(::LoadLibraryA(name)) {}
    ~CLibrary()
    {
        if (m_Module)
            ::FreeLibrary(m_Module);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    explicit operator bool() const { return m_Module != nullptr; }

    // The exported function as the given function pointer type, or null.
    template <class Function>
    Function GetProc(const char* name) const
    {
        if (!m_Module)
            return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(m_Module, name)));
    }

private:
    HMODULE m_Module;
};
