#include "DescribedDevices.h"

#include "Wait.h"

void CDescribedDevices::Ask(CUpnpSearch& search, uint32_t address)
{
    search.DescribeDevice(address, [told = m_Told, address](const UpnpDevice& device) {
        const CSingleLock lock(told->Lock);
        told->Devices[address] = device;
        ++told->Times[address];
        ::SetEvent(told->Changed.Get());
    });
}

bool CDescribedDevices::WaitUntilTold(uint32_t address, DWORD ms) const
{
    const DWORD start = ::GetTickCount();
    while (TimesTold(address) == 0) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= ms)
            return false;
        ::WaitForSingleObject(m_Told->Changed.Get(), ms - elapsed);
    }
    return true;
}

UpnpDevice CDescribedDevices::Of(uint32_t address) const
{
    const CSingleLock lock(m_Told->Lock);
    const auto at = m_Told->Devices.find(address);
    return at != m_Told->Devices.end() ? at->second : UpnpDevice();
}

int CDescribedDevices::TimesTold(uint32_t address) const
{
    const CSingleLock lock(m_Told->Lock);
    const auto at = m_Told->Times.find(address);
    return at != m_Told->Times.end() ? at->second : 0;
}

UpnpDevice AwaitDevice(CUpnpSearch& search, uint32_t address)
{
    CDescribedDevices devices;
    devices.Ask(search, address);
    if (!search.WaitForDescriptions(kWaitMs))
        return UpnpDevice();
    return devices.Of(address);
}
