// Reading, seeding and holding the clipboard the way other programs do, for the copy tests.
#pragma once

#include <windows.h>

#include <optional>
#include <thread>
#include <vector>

// The clipboard's CF_TEXT block byte for byte, read by another thread; nothing when the
// clipboard holds no text or cannot be opened.
std::optional<std::vector<char>> ReadClipboardText();

// The same, read by another program (clipboard_reader.exe beside the test program); nothing
// when it finds no text or does not run.
std::optional<std::vector<char>> ReadClipboardTextInAnotherProgram();

// Puts these bytes on the clipboard as CF_TEXT, from another thread, as another program would.
void SeedClipboardText(const std::vector<char>& bytes);

// The bytes of a text and its terminating zero.
std::vector<char> TextBytes(const char* text);

// Another thread's window keeps the clipboard open while this object lives.
class CClipboardHolder {
public:
    CClipboardHolder();
    ~CClipboardHolder();
    CClipboardHolder(const CClipboardHolder&) = delete;
    CClipboardHolder& operator=(const CClipboardHolder&) = delete;

    bool IsHolding() const { return m_Holding; }

private:
    HANDLE m_Opened;
    HANDLE m_Release;
    bool m_Holding = false;
    std::thread m_Thread;
};
