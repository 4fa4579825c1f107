// The IPv4 neighbour table as the Linux kernel lists it, read where the program runs under
// Wine. Wine's GetIpNetTable costs about half a millisecond per entry (140 ms for a /24 on
// an idle machine, several hundred on a busy one); the kernel's own table file gives the
// same entries in well under one.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstddef>
#include <vector>

// The rows of the kernel's table text (its heading line first, then one line per entry:
// address, hardware type, flags, hardware address, mask, device). An entry the kernel has
// completed is dynamic, or static when permanent; any other is invalid. Lines that cannot be
// read, and hardware addresses longer than a row holds, are left out. False when the text
// does not begin with the table's heading.
bool ParseKernelNeighbourTable(const char* text, size_t length, std::vector<MIB_IPNETROW>& rows);

// GetIpNetTable's contract (unsorted), from the kernel's table file; ERROR_NOT_SUPPORTED
// where there is none (Windows itself) or it is not the kernel's table.
DWORD ReadKernelNeighbourTable(MIB_IPNETTABLE* table, ULONG* size);
