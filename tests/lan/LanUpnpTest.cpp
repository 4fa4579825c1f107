// UPnP asked for real, under Wine, inside the virtual LAN: its minidlna and miniupnpd answer
// the run's searches and serve their descriptions, the hostile device gets nobody's name, and
// the fetches' times are measured against their deadline. Nothing is sent unless this
// computer is on the LAN's scanner adapter.
#include "scan/UpnpQuery.h"

#include "DescribedDevices.h"
#include "LanNames.h"
#include "LanTest.h"
#include "Wait.h"
#include "net/Ipv4Address.h"
#include "scan/LocalNetwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A value as a description gives it, cut as the reader cuts it (the LAN's names are ASCII).
std::string Cut(std::string value, size_t chars)
{
    value.resize(std::min(value.size(), chars));
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    return value;
}

uint32_t AddressOf(const std::string& text)
{
    uint32_t address = 0;
    EXPECT_TRUE(ParseAddress(text.c_str(), address)) << text;
    return address;
}

class LanUpnp : public CLanTest {
protected:
    void SetUp() override
    {
        LocalNetworkRecord network{};
        OnTheLansAdapter(network);
        if (HasFatalFailure())
            return;
        m_HostCount = LanHostCount();
        ASSERT_GT(m_HostCount, 0);
        bool any = false;
        for (int host = 1; host <= m_HostCount; ++host)
            any = any || !LanHostField(host, "UPNP").empty();
        if (!any)
            GTEST_SKIP() << "no UPnP device on this LAN";
    }

    // The LAN's subnet .1 to .254, as a run hands it over.
    std::vector<IPAddr> Range() const
    {
        const uint32_t base = AddressOf(Lan("LAN_SUBNET") + ".0");
        std::vector<IPAddr> dests;
        for (uint32_t host = 1; host <= 254; ++host)
            dests.push_back(::htonl(base + host));
        return dests;
    }

    int m_HostCount = 0;
};

TEST_F(LanUpnp, EachDeviceNamesItselfAndTheHostileOneGetsNobodysName)
{
    const UpnpPlatform platform = SystemUpnpPlatform();
    ASSERT_EQ(platform.OwnAddressFor(AddressOf(Lan("LAN_GATEWAY"))), AddressOf(Lan("LAN_SCANNER_ADDR")));
    CUpnpSearch search(platform, nullptr);
    const DWORD start = ::GetTickCount();
    search.Begin(Range());
    // Each host searched and asked for as its probe does, before any answer is in: devices
    // that answer only the group search are read on the search's threads as they answer.
    CDescribedDevices devices;
    for (int host = 1; host <= m_HostCount; ++host) {
        search.SearchHost(AddressOf(LanHostField(host, "ADDR")));
        devices.Ask(search, AddressOf(LanHostField(host, "ADDR")));
    }
    ASSERT_TRUE(search.WaitForDescriptions(kWaitMs));
    std::printf("every device told at %lu ms of the run\n", ::GetTickCount() - start);
    for (int host = 1; host <= m_HostCount; ++host) {
        const std::string kind = LanHostField(host, "UPNP");
        const std::string address = LanHostField(host, "ADDR");
        SCOPED_TRACE(address + " " + kind);
        const UpnpDevice device = devices.Of(AddressOf(address));
        std::printf("%s (%s): \"%s\" / \"%s\" / \"%s\"\n", address.c_str(), kind.empty() ? "none" : kind.c_str(),
                    device.FriendlyName.c_str(), device.Manufacturer.c_str(), device.ModelName.c_str());
        EXPECT_LE(devices.TimesTold(AddressOf(address)), 1);
        if (kind == "gateway" || kind == "media") {
            EXPECT_EQ(device.FriendlyName, Cut(LanHostField(host, "UPNP_NAME"), kMaxFriendlyNameChars));
            EXPECT_EQ(device.Manufacturer, Cut(LanHostField(host, "UPNP_MAKER"), kMaxManufacturerChars));
            EXPECT_EQ(device.ModelName, Cut(LanHostField(host, "UPNP_MODEL"), kMaxModelNameChars));
        } else if (kind == "hostile") {
            for (int other = 1; other <= m_HostCount; ++other) {
                if (!LanHostField(other, "UPNP_NAME").empty()) {
                    EXPECT_NE(device.FriendlyName, LanHostField(other, "UPNP_NAME")) << "another host's name";
                }
            }
            EXPECT_NE(device.Manufacturer, "Bait Maker");
            for (const std::string* field : {&device.FriendlyName, &device.Manufacturer, &device.ModelName}) {
                for (const char c : *field)
                    EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << "a control byte in " << *field;
            }
        } else {
            EXPECT_EQ(device.FriendlyName, "");
        }
    }
    // The wait for the silent hosts ends with the window, about when a run's silent
    // addresses get their last ARP look.
    EXPECT_LT(::GetTickCount() - start, UpnpTiming::kAnswerWindowMs + 2 * UpnpTiming::kFetchDeadlineMs);
}

// The figures the fetch's deadline was chosen from: each real daemon's description fetched
// many times, while a second search of the whole subnet runs beside it.
TEST_F(LanUpnp, TheDaemonsServeTheirDescriptionsWellWithinTheDeadline)
{
    const UpnpPlatform platform = SystemUpnpPlatform();
    CUpnpSearch beside(platform, nullptr);
    beside.Begin(Range());
    for (int host = 1; host <= m_HostCount; ++host) {
        const std::string kind = LanHostField(host, "UPNP");
        if (kind != "gateway" && kind != "media")
            continue;
        const std::string address = LanHostField(host, "ADDR");
        DescriptionUrl url;
        ASSERT_TRUE(ParseDescriptionLocation(LanHostField(host, "UPNP_LOCATION"), AddressOf(address), url));
        std::vector<DWORD> times;
        for (int i = 0; i < 20; ++i) {
            std::string body;
            const DWORD start = ::GetTickCount();
            EXPECT_EQ(FetchDescription(platform, AddressOf(address), url, nullptr, body), FetchOutcome::Fetched);
            times.push_back(::GetTickCount() - start);
        }
        std::sort(times.begin(), times.end());
        std::printf("%s (%s): fetch median %lu ms, max %lu ms of %lu\n", address.c_str(), kind.c_str(), times[10],
                    times.back(), UpnpTiming::kFetchDeadlineMs);
        EXPECT_LT(times.back(), UpnpTiming::kFetchDeadlineMs / 4) << "the deadline's margin is gone";
    }
}

}  // namespace
