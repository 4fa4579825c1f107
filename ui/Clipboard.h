// Putting text on the clipboard for other programs.
#pragma once

#include <windows.h>

#include <cstddef>

// Replaces the clipboard's contents by the `size` bytes at `data` as CF_TEXT; the caller
// counts the terminating zero byte in `size`. False when the bytes are not on the clipboard:
// when it cannot be opened (another program holds it) it keeps what it had; when a later
// step fails it is left empty.
bool CopyToClipboard(HWND owner, const void* data, size_t size);
