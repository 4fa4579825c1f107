// The devices a run's UPnP search tells, kept as the probes' handlers would get them: a slot
// per address, filled whenever the search tells it, on whichever thread.
#pragma once

#include "scan/UpnpQuery.h"
#include "winlib/Thread.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>

class CDescribedDevices {
public:
    // Asks `search` for the device at `address` (host order), as a probe does.
    void Ask(CUpnpSearch& search, uint32_t address);
    // True once the device at `address` has been told, within `ms`.
    bool WaitUntilTold(uint32_t address, DWORD ms) const;
    // What was told of `address` (empty fields: nothing), and how often.
    UpnpDevice Of(uint32_t address) const;
    int TimesTold(uint32_t address) const;

private:
    struct Told {
        CCriticalSection Lock;
        CHandle Changed{::CreateEventA(nullptr, FALSE, FALSE, nullptr)};
        std::map<uint32_t, UpnpDevice> Devices;
        std::map<uint32_t, int> Times;
    };
    std::shared_ptr<Told> m_Told = std::make_shared<Told>();
};

// The device at `address` once `search` has told all it will: asked now, read at once when
// its answer is in, else whenever it comes. Empty fields when none came.
UpnpDevice AwaitDevice(CUpnpSearch& search, uint32_t address);
