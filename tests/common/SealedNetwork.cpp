// Every test program checks, before its first test, that a run meant to be sealed from the
// machine's network really is: tools/sealed.sh runs it in a namespace that has nothing but
// loopback and names the addresses of the namespace it seals away from. The CTest entries
// ask for the seal (VANTREL_REQUIRE_SEALED), so a command line that lost the script fails
// here instead of running the tests next to the machine's real network.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool EnvironmentSays(const char* name, const char* value)
{
    const char* text = std::getenv(name);
    return text && std::string(text) == value;
}

std::set<std::string> OutsideAddresses()
{
    std::set<std::string> addresses;
    const char* text = std::getenv("VANTREL_OUTSIDE_ADDRESSES");
    std::istringstream words(text ? text : "");
    for (std::string word; words >> word;)
        addresses.insert(word);
    return addresses;
}

std::string MacText(const BYTE* bytes, ULONG length)
{
    std::string text;
    char part[4];
    for (ULONG i = 0; i < length; ++i) {
        std::snprintf(part, sizeof(part), i ? ":%02x" : "%02x", bytes[i]);
        text += part;
    }
    return text;
}

// IPv4 is loopback only in 127/8, IPv6 only as ::1.
bool IsLoopback(const sockaddr* address)
{
    if (address->sa_family == AF_INET)
        return (reinterpret_cast<const sockaddr_in*>(address)->sin_addr.S_un.S_un_b.s_b1) == 127;
    if (address->sa_family == AF_INET6)
        return IN6_IS_ADDR_LOOPBACK(&reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr);
    return false;
}

std::string AddressText(const sockaddr* address, int length)
{
    char text[INET6_ADDRSTRLEN] = {};
    ::getnameinfo(address, length, text, sizeof(text), nullptr, 0, NI_NUMERICHOST);
    return text;
}

// What a test program of a sealed run finds wrong with the adapters it is given: every
// adapter's address must be loopback's, and no address or MAC of the machine's own namespace
// may appear. Empty when sealed; `adapters` counts what was looked at.
std::vector<std::string> SealFaults(const std::set<std::string>& outside, int& adapters)
{
    std::vector<std::string> faults;
    adapters = 0;
    ULONG size = 16 * 1024;
    std::vector<BYTE> buffer;
    ULONG status = ERROR_BUFFER_OVERFLOW;
    for (int tries = 0; tries < 4 && status == ERROR_BUFFER_OVERFLOW; ++tries) {
        buffer.assign(size, 0);
        status = ::GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_INCLUDE_ALL_INTERFACES, nullptr,
                                        reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (status == ERROR_NO_DATA)
        return faults;
    if (status != NO_ERROR) {
        faults.push_back("GetAdaptersAddresses failed: " + std::to_string(status));
        return faults;
    }
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter; adapter = adapter->Next) {
        ++adapters;
        const std::string name = adapter->AdapterName ? adapter->AdapterName : "?";
        const std::string mac = MacText(adapter->PhysicalAddress, adapter->PhysicalAddressLength);
        if (outside.count(mac))
            faults.push_back("adapter " + name + " has the outside MAC " + mac);
        for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            const std::string text = AddressText(address, unicast->Address.iSockaddrLength);
            if (!IsLoopback(address))
                faults.push_back("adapter " + name + " has the address " + text);
            if (outside.count(text))
                faults.push_back("adapter " + name + " has the outside address " + text);
        }
    }
    return faults;
}

class CSealCheck : public testing::Environment {
public:
    void SetUp() override
    {
        if (!EnvironmentSays("VANTREL_REQUIRE_SEALED", "1"))
            return;
        // Fatal failures here skip every test: nothing may run unsealed.
        ASSERT_TRUE(EnvironmentSays("VANTREL_SEALED", "1"))
            << "this test run must be started through tools/sealed.sh exec";
        const std::set<std::string> outside = OutsideAddresses();
        int adapters = 0;
        const std::vector<std::string> faults = SealFaults(outside, adapters);
        for (const std::string& fault : faults)
            ADD_FAILURE() << "not sealed from the machine's network: " << fault;
        ASSERT_TRUE(faults.empty());
        std::printf("Sealed: %d adapters, loopback only, none of the %u outside addresses\n", adapters,
                    static_cast<unsigned>(outside.size()));
    }
};

// Google Test owns its environments.
testing::Environment* const g_SealCheck = testing::AddGlobalTestEnvironment(new CSealCheck);

}  // namespace
