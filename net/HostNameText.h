// How a host's name is shown, wherever it was made (DNS, the host's own answer, this
// computer's name): in the system's code page, the first letter capitalised.
#pragma once

#include <windows.h>

#include <string>

// A name's bytes in `codePage` (CP_UTF8 for multicast DNS, CP_OEMCP for NetBIOS) in the
// system's ANSI code page; a character it lacks comes out as '?'. Empty for an empty name or
// one the code page cannot read at all.
std::string NameInSystemCodePage(const std::string& name, UINT codePage);

// A lower-case ASCII letter at the start becomes upper case; nothing else changes.
void CapitalizeFirstLetter(char* text);
