#include "scan/ScanResultsQueue.h"

#include <algorithm>
#include <utility>

void ReportScanResult(const ScanResult& result, CScanResultsSink& sink)
{
    const auto macLength = static_cast<ULONG>(result.Mac.size());
    if (result.Named)
        sink.OnHostNamed(result.Address.c_str(), result.Name.c_str(), result.Role, result.Mac.data(), macLength,
                         result.Device.c_str());
    else
        sink.OnHostFound(result.Address.c_str(), result.Mac.data(), macLength);
}

void CScanResultsQueue::OnHostFound(const char* address, const BYTE* mac, ULONG macLength)
{
    Push(ScanResult{false, address, std::vector<BYTE>(mac, mac + macLength), {}, HostRole::Other, {}});
}

void CScanResultsQueue::OnHostNamed(const char* address, const char* name, HostRole role, const BYTE* mac,
                                    ULONG macLength, const char* device)
{
    Push(ScanResult{true, address, std::vector<BYTE>(mac, mac + macLength), name, role, device ? device : ""});
}

void CScanResultsQueue::Push(ScanResult result)
{
    const CSingleLock lock(m_Lock);
    m_Results.push_back(std::move(result));
}

size_t CScanResultsQueue::Take(std::vector<ScanResult>& results, size_t max)
{
    const CSingleLock lock(m_Lock);
    results.reserve(results.size() + std::min(max, m_Results.size()));
    for (size_t taken = 0; taken < max && !m_Results.empty(); ++taken) {
        results.push_back(std::move(m_Results.front()));
        m_Results.pop_front();
    }
    if (m_Results.empty())
        m_Announced = false;
    return m_Results.size();
}

bool CScanResultsQueue::Announce()
{
    const CSingleLock lock(m_Lock);
    if (m_Results.empty() || m_Announced)
        return false;
    m_Announced = true;
    return true;
}
