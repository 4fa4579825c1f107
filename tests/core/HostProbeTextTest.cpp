// The texts a probe writes: the MAC address, and host names as the network gives them.
#include "scan/HostProbe.h"
#include "UntrustedNames.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(MacText, BytesAsUpperCaseHexJoinedByDashes)
{
    struct Case {
        std::vector<BYTE> bytes;
        const char* text;
    };
    const Case cases[] = {
        {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "00-1A-2B-3C-4D-5E"},
        {{0x02, 0x5a, 0xff, 0x0b, 0x00, 0xc0}, "02-5A-FF-0B-00-C0"},
        {{}, ""},
        {{0x0A}, "0A"},
        {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}, "01-02-03-04-05-06-07-08"},
    };
    for (const Case& c : cases) {
        char text[kMacTextCapacity];
        std::memset(text, 'x', sizeof(text));
        FormatMacAddress(c.bytes.data(), static_cast<ULONG>(c.bytes.size()), text, sizeof(text));
        EXPECT_STREQ(text, c.text);
    }
}

TEST(MacText, ALongAddressIsCutAtAWholeByteWithinTheBuffer)
{
    std::vector<BYTE> bytes(200, 0xAB);
    char text[kMacTextCapacity + 8];
    std::memset(text, '#', sizeof(text));
    FormatMacAddress(bytes.data(), static_cast<ULONG>(bytes.size()), text, kMacTextCapacity);
    const std::string written(text);
    EXPECT_EQ(written.size(), kMacTextCapacity - 1);
    EXPECT_EQ(written.substr(0, 9), "AB-AB-AB-");
    EXPECT_EQ(written.size() % 3, 0u) << "ends after a whole byte and its dash";
    for (size_t i = kMacTextCapacity; i < sizeof(text); ++i)
        EXPECT_EQ(text[i], '#') << "written past the buffer at " << i;

    char small[8];
    FormatMacAddress(bytes.data(), 6, small, sizeof(small));
    EXPECT_STREQ(small, "AB-AB-");
}

// A name service that answers with `name` the way a given implementation would.
enum class Writes { Bounded, WholeBufferUnterminated, Fails };

struct FakeNames {
    std::string name;
    Writes writes = Writes::Bounded;
    int calls = 0;
    DWORD hostSize = 0;
    int flags = -1;
    std::string address;
    int port = -1;
    int length = 0;

    HostProbePlatform Platform()
    {
        HostProbePlatform platform;
        platform.LookUpName = [this](const sockaddr* socketAddress, int socketLength, char* host, DWORD size, int f) {
            ++calls;
            hostSize = size;
            flags = f;
            length = socketLength;
            const auto* in = reinterpret_cast<const sockaddr_in*>(socketAddress);
            char text[16] = {};
            ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text));
            address = in->sin_family == AF_INET ? text : "";
            port = ntohs(in->sin_port);
            switch (writes) {
            case Writes::Bounded:
                ::lstrcpynA(host, name.c_str(), static_cast<int>(size));
                return 0;
            case Writes::WholeBufferUnterminated:
                std::memset(host, 'z', size);
                return 0;
            case Writes::Fails:
                ::lstrcpynA(host, "partial", static_cast<int>(size));
                return static_cast<int>(EAI_NONAME);
            }
            return static_cast<int>(EAI_FAIL);
        };
        return platform;
    }
};

class HostNameLookup : public testing::Test {
protected:
    // The buffer sits between guards, so a write past either end shows.
    bool Lookup(FakeNames& names, const char* address)
    {
        std::memset(m_Guarded, '#', sizeof(m_Guarded));
        const HostProbePlatform platform = names.Platform();
        const bool found = GetHostName(platform, address, Buffer(), kHostNameCapacity);
        for (size_t i = 0; i < kGuard; ++i) {
            EXPECT_EQ(m_Guarded[i], '#') << "written before the buffer";
            EXPECT_EQ(m_Guarded[kGuard + kHostNameCapacity + i], '#') << "written past the buffer";
        }
        return found;
    }

    char* Buffer() { return m_Guarded + kGuard; }

    static constexpr size_t kGuard = 64;
    char m_Guarded[kGuard + kHostNameCapacity + kGuard];
};

TEST_F(HostNameLookup, AsksForAnIpv4NameOnlyAndCapitalisesIt)
{
    FakeNames names;
    names.name = "router.home";
    EXPECT_TRUE(Lookup(names, "192.168.1.1"));
    EXPECT_STREQ(Buffer(), "Router.home");
    EXPECT_EQ(names.calls, 1);
    EXPECT_EQ(names.address, "192.168.1.1");
    EXPECT_EQ(names.port, 0);
    EXPECT_EQ(names.length, 16);
    EXPECT_EQ(names.hostSize, kHostNameCapacity);
    EXPECT_EQ(names.flags, NI_NAMEREQD) << "a numeric answer is no name";
}

TEST_F(HostNameLookup, NamesFromTheNetworkAreStoredIntactUpToTheBuffersLimit)
{
    for (const UntrustedName& c : UntrustedNames()) {
        SCOPED_TRACE(c.what);
        FakeNames names;
        names.name = c.name;
        EXPECT_TRUE(Lookup(names, "192.168.1.10"));
        EXPECT_EQ(std::string(Buffer()), c.kept);
    }
    // A lookup that fills the whole buffer without a terminator.
    FakeNames names;
    names.writes = Writes::WholeBufferUnterminated;
    EXPECT_TRUE(Lookup(names, "192.168.1.10"));
    EXPECT_EQ(std::string(Buffer()), "Z" + std::string(kHostNameCapacity - 2, 'z'));
}

TEST_F(HostNameLookup, FailuresLeaveAnEmptyBuffer)
{
    FakeNames failing;
    failing.writes = Writes::Fails;
    EXPECT_FALSE(Lookup(failing, "192.168.1.10"));
    EXPECT_EQ(failing.calls, 1);
    for (size_t i = 0; i < kHostNameCapacity; ++i)
        ASSERT_EQ(Buffer()[i], '\0') << "byte " << i;

    FakeNames names;
    names.name = "desktop-pc";
    for (const char* address : {"192.168.1.", "host.lan", "", "192.168.1.300"}) {
        EXPECT_FALSE(Lookup(names, address)) << address;
        EXPECT_STREQ(Buffer(), "");
    }
    EXPECT_EQ(names.calls, 0) << "no lookup for what is not an address";
}

}  // namespace
