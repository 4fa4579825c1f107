#include "FakeScanNetwork.h"

#include "TestNetwork.h"

#include <ws2tcpip.h>

#include <cstring>
#include <memory>
#include <string>

CFakeScanNetwork::CFakeScanNetwork()
{
    m_Hosts["10.20.30.1"] = {{0x02, 0x5A, 0, 0, 0, 0x01}, "router.home"};
    m_Hosts["10.20.30.7"] = {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "desktop-pc"};  // Ayecom
    m_Hosts["10.20.30.40"] = {{0x02, 0x5A, 0, 0, 0, 0x28}, "scanner"};
    m_Hosts["10.20.30.200"] = {{0x02, 0x5A, 0, 0, 0, 0xC8}, nullptr};
}

CFakeScanNetwork::~CFakeScanNetwork()
{
    ReleaseLookups();
    JoinAll(kDeadlineMs);
}

void CFakeScanNetwork::AddUnnamedHosts(int count)
{
    for (int i = 0; i < count; ++i) {
        const BYTE host = static_cast<BYTE>(100 + i);
        m_Hosts["10.20.30." + std::to_string(host)] = {{0x02, 0x5A, 0, 0, 0, host}, nullptr};
    }
}

ScanPlatforms CFakeScanNetwork::Platforms()
{
    ++m_PlatformsMade;
    ScanRunPlatform run{
        [](const std::vector<IPAddr>&) {},
        [this](const std::shared_ptr<const HostProbeTask>& task) {
            // Called on the run's own thread: kept as well, to be joined.
            if (m_RunThread.exchange(::GetCurrentThreadId()) != ::GetCurrentThreadId())
                Keep(::GetCurrentThread());
            if (m_FailStart(task->Address))
                return CHandle();
            CHandle thread = StartProbeThread(task);
            Keep(thread.Get());
            return thread;
        },
        [this](DWORD count, const HANDLE* threads, DWORD ms) -> DWORD {
            if (m_FailWaits) {
                if (count == 1)
                    ++m_FailedThreadWaits;
                ::SetLastError(ERROR_INVALID_HANDLE);
                return WAIT_FAILED;
            }
            return ::WaitForMultipleObjects(count, threads, TRUE, ms);
        },
        nullptr,  // no late reports: no UPnP
    };
    HostProbePlatform probes{
        [this](IPAddr dest, IPAddr, void* mac, ULONG* length) -> DWORD {
            const auto host = m_Hosts.find(Dotted(dest));
            if (host == m_Hosts.end())
                return ERROR_BAD_NET_NAME;
            std::memcpy(mac, host->second.mac.data(), host->second.mac.size());
            *length = static_cast<ULONG>(host->second.mac.size());
            return NO_ERROR;
        },
        [this](const sockaddr* address, int, char* name, DWORD size, int) -> int {
            ++m_LookupsWaiting;
            ::WaitForSingleObject(m_Release.Get(), kDeadlineMs);
            const auto host = m_Hosts.find(Dotted(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.S_un.S_addr));
            ++m_LookupsDone;
            if (host == m_Hosts.end() || !host->second.name)
                return EAI_NONAME;
            ::lstrcpynA(name, host->second.name, static_cast<int>(size));
            return 0;
        },
        nullptr,  // the made-up hosts are not asked for names of their own
        nullptr,  // nor by UPnP
        nullptr,
    };
    return ScanPlatforms{std::move(run), std::move(probes)};
}

ScanPlatformsFactory CFakeScanNetwork::PlatformsForEachRun()
{
    return [this](HANDLE) { return Platforms(); };
}

bool CFakeScanNetwork::JoinAll(DWORD timeoutMs)
{
    // The run's thread may still be starting probes: waited for without the lock, which it
    // takes to keep them, and again for those it started meanwhile.
    const DWORD start = ::GetTickCount();
    for (size_t joined = 0;;) {
        HANDLE thread = nullptr;
        {
            const CSingleLock lock(m_ThreadsLock);
            if (joined == m_Threads.size())
                return true;
            thread = m_Threads[joined].Get();  // the handles stay until the object goes
        }
        const DWORD spent = ::GetTickCount() - start;
        if (::WaitForSingleObject(thread, spent < timeoutMs ? timeoutMs - spent : 0) != WAIT_OBJECT_0)
            return false;
        ++joined;
    }
}

void CFakeScanNetwork::Keep(HANDLE thread)
{
    HANDLE copy = nullptr;
    if (!thread ||
        !::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0))
        return;
    const CSingleLock lock(m_ThreadsLock);
    m_Threads.emplace_back(copy);
}
