// Asking a host for its own name over a made-up network: which answers count, the retry, a
// refused port (WSAECONNRESET, which Windows reports and Wine never shows), and which
// protocol's name wins. No socket; the clock is the fake network's.
#include "scan/HostNameQuery.h"
#include "scan/HostProbe.h"
#include "scan/ScanResultsQueue.h"
#include "winlib/Thread.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kHost = 0x0A4D000C;  // 10.77.0.12
constexpr uint32_t kOther = 0x0A4D000D;

void AppendU16(Bytes& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value >> 8));
    bytes.push_back(static_cast<uint8_t>(value));
}

// An mDNS responder's legacy unicast answer to `query`: its id and question repeated, one PTR
// record (owner: a pointer to the question) naming `name`, given as its labels.
Bytes MulticastDnsAnswer(const Bytes& query, const Bytes& labels)
{
    Bytes answer = query;  // id and question
    answer[2] = 0x84;  // an authoritative answer
    answer[7] = 1;  // with one record
    const Bytes record{0xC0, 0x0C, 0x00, 0x0C, 0x80, 0x01, 0, 0, 0, 10};
    answer.insert(answer.end(), record.begin(), record.end());
    AppendU16(answer, static_cast<uint16_t>(labels.size()));
    answer.insert(answer.end(), labels.begin(), labels.end());
    return answer;
}

// A node-status answer to `query` whose table holds the one unique workstation name `name`.
Bytes NodeStatusAnswer(const Bytes& query, const std::string& name)
{
    Bytes answer = query;  // id, the wildcard name, type and class: the record's owner
    answer[2] = 0x84;
    answer[5] = 0;  // no question
    answer[7] = 1;  // one record
    const Bytes ttlAndLength{0, 0, 0, 0, 0, 1 + 18 + 46, 1};
    answer.insert(answer.end(), ttlAndLength.begin(), ttlAndLength.end());
    Bytes entry(name.begin(), name.end());
    entry.resize(15, ' ');
    entry.insert(entry.end(), {0x00, 0x04, 0x00});
    answer.insert(answer.end(), entry.begin(), entry.end());
    answer.resize(answer.size() + 46, 0);
    return answer;
}

const Bytes kKitchenPi{10, 'k', 'i', 't', 'c', 'h', 'e', 'n', '-', 'p', 'i', 5, 'l', 'o', 'c', 'a', 'l', 0};

struct Sent {
    NameProtocol protocol;
    uint32_t address;
    uint16_t port;
    Bytes packet;
};

// What the network does with each query sent: the events it puts on the sockets.
struct Event {
    int error;  // 0: a datagram
    NameDatagram datagram;
};
using Responder = std::function<std::vector<Event>(const Sent& sent, int sendNumber)>;

// Which sends fail (Send answers false); none when empty.
using SendFailure = std::function<bool(const Sent& sent)>;

class CFakeNetwork {
public:
    explicit CFakeNetwork(Responder responder, SendFailure sendFails = nullptr)
        : m_Responder(std::move(responder)), m_SendFails(std::move(sendFails))
    {
    }

    NameQueryPlatform Platform()
    {
        return NameQueryPlatform{
            [this] { return std::unique_ptr<CNameQuerySockets>(new Sockets(*this)); },
            [this] { return m_Now; },
            [this] { return ++m_LastId; },
        };
    }
    std::vector<Sent> sent;
    DWORD elapsed() const { return m_Now - kStart; }

private:
    class Sockets : public CNameQuerySockets {
    public:
        explicit Sockets(CFakeNetwork& network) : m_Network(network) {}
        bool Send(NameProtocol protocol, uint32_t address, uint16_t port, const Bytes& packet) override
        {
            if (m_Network.m_SendFails && m_Network.m_SendFails(Sent{protocol, address, port, packet}))
                return false;
            m_Network.sent.push_back({protocol, address, port, packet});
            for (Event& event : m_Network.m_Responder(m_Network.sent.back(), static_cast<int>(m_Network.sent.size())))
                m_Network.m_Waiting.push_back(std::move(event));
            return true;
        }
        int Receive(DWORD ms, NameDatagram& datagram) override
        {
            if (m_Network.m_Waiting.empty()) {
                m_Network.m_Now += ms;
                return WSAETIMEDOUT;
            }
            m_Network.m_Now += 1;
            const Event event = m_Network.m_Waiting.front();
            m_Network.m_Waiting.pop_front();
            datagram = event.datagram;
            return event.error;
        }

    private:
        CFakeNetwork& m_Network;
    };

    static constexpr DWORD kStart = 0xFFFFFF00;  // the tick count wraps during the look-ups
    Responder m_Responder;
    SendFailure m_SendFails;
    std::deque<Event> m_Waiting;
    DWORD m_Now = kStart;
    uint16_t m_LastId = 0x7000;
};

Event Datagram(const Sent& sent, Bytes bytes, uint32_t from = kHost, int portOffset = 0)
{
    return Event{0, NameDatagram{sent.protocol, from, static_cast<uint16_t>(sent.port + portOffset), std::move(bytes)}};
}
Event Refused(const Sent& sent)
{
    return Event{WSAECONNRESET, NameDatagram{sent.protocol, 0, 0, {}}};
}
bool IsDns(const Sent& sent)
{
    return sent.protocol == NameProtocol::MulticastDns;
}

constexpr DWORD kNoAnswerMs = NameQueryTiming::kTries * NameQueryTiming::kTryMs;

TEST(HostNameQuery, BothQueriesGoToTheHostsOwnPortsAtOnce)
{
    CFakeNetwork network([](const Sent&, int) { return std::vector<Event>{}; });
    EXPECT_EQ(AskHostForName(network.Platform(), kHost), "");
    ASSERT_EQ(network.sent.size(), 4u) << "both, and once more each";
    for (size_t i = 0; i < network.sent.size(); ++i) {
        const Sent& sent = network.sent[i];
        EXPECT_EQ(sent.address, kHost);
        EXPECT_EQ(sent.protocol, i % 2 == 0 ? NameProtocol::MulticastDns : NameProtocol::NetBios);
        EXPECT_EQ(sent.port, i % 2 == 0 ? 5353 : 137);
    }
    EXPECT_EQ(network.sent[0].packet.size(), 12u + 25u + 4u) << "10.77.0.12's PTR question";
    EXPECT_EQ(network.sent[1].packet.size(), 50u) << "the node-status request";
    EXPECT_EQ(network.elapsed(), kNoAnswerMs) << "a silent host costs both tries, no more";
}

TEST(HostNameQuery, TheAnswersThatCountAndThoseIgnored)
{
    struct Case {
        const char* what;
        Responder responder;
        std::string name;
        size_t sends;
    };
    const Case cases[] = {
        {"both answer: the multicast-DNS name wins",
         [](const Sent& s, int) {
             return std::vector<Event>{Datagram(s, IsDns(s) ? MulticastDnsAnswer(s.packet, kKitchenPi) : NodeStatusAnswer(s.packet, "KITCHEN"))};
         },
         "kitchen-pi.local", 2},
        {"NetBIOS only, the mDNS port refused (WSAECONNRESET)",
         [](const Sent& s, int) { return std::vector<Event>{IsDns(s) ? Refused(s) : Datagram(s, NodeStatusAnswer(s.packet, "OFFICE-PC"))}; },
         "OFFICE-PC", 2},
        {"NetBIOS only, the mDNS query unanswered: sent again, then the NetBIOS name",
         [](const Sent& s, int) { return IsDns(s) ? std::vector<Event>{} : std::vector<Event>{Datagram(s, NodeStatusAnswer(s.packet, "OFFICE-PC"))}; },
         "OFFICE-PC", 3},
        {"the first answers lost, the second ones arrive",
         [](const Sent& s, int n) {
             return n <= 2 ? std::vector<Event>{} : std::vector<Event>{Datagram(s, IsDns(s) ? MulticastDnsAnswer(s.packet, kKitchenPi) : NodeStatusAnswer(s.packet, "PI"))};
         },
         "kitchen-pi.local", 4},
        {"both ports refused", [](const Sent& s, int) { return std::vector<Event>{Refused(s)}; }, "", 2},
        {"answers from another address",
         [](const Sent& s, int) {
             return std::vector<Event>{Datagram(s, IsDns(s) ? MulticastDnsAnswer(s.packet, kKitchenPi) : NodeStatusAnswer(s.packet, "PC"), kOther)};
         },
         "", 4},
        {"answers from another port",
         [](const Sent& s, int) {
             return std::vector<Event>{Datagram(s, IsDns(s) ? MulticastDnsAnswer(s.packet, kKitchenPi) : NodeStatusAnswer(s.packet, "PC"), kHost, 1)};
         },
         "", 4},
        {"answers with another id",
         [](const Sent& s, int) {
             Bytes query = s.packet;
             query[1] ^= 0x40;
             return std::vector<Event>{Datagram(s, IsDns(s) ? MulticastDnsAnswer(query, kKitchenPi) : NodeStatusAnswer(query, "PC"))};
         },
         "", 4},
        {"a stray answer first, then the host's own",
         [](const Sent& s, int) {
             if (IsDns(s))
                 return std::vector<Event>{Refused(s)};
             return std::vector<Event>{Datagram(s, NodeStatusAnswer(s.packet, "EVIL"), kOther),
                                       Datagram(s, NodeStatusAnswer(s.packet, "NAS"))};
         },
         "NAS", 2},
        {"a malformed answer, then a good one after the retry",
         [](const Sent& s, int n) {
             if (IsDns(s))
                 return std::vector<Event>{Refused(s)};
             Bytes answer = NodeStatusAnswer(s.packet, "NAS");
             if (n == 2)
                 answer.resize(30);
             return std::vector<Event>{Datagram(s, answer)};
         },
         "NAS", 3},
        {"a failing socket ends the try, the next one gets the answer",
         [](const Sent& s, int n) {
             if (IsDns(s))
                 return std::vector<Event>{Refused(s)};
             if (n == 2)
                 return std::vector<Event>{Event{WSAENETDOWN, NameDatagram{s.protocol, 0, 0, {}}}};
             return std::vector<Event>{Datagram(s, NodeStatusAnswer(s.packet, "NAS"))};
         },
         "NAS", 3},
        {"a datagram too large, then the answer",
         [](const Sent& s, int) {
             if (IsDns(s))
                 return std::vector<Event>{Refused(s)};
             return std::vector<Event>{Event{WSAEMSGSIZE, NameDatagram{s.protocol, 0, 0, {}}},
                                       Datagram(s, NodeStatusAnswer(s.packet, "NAS"))};
         },
         "NAS", 2},
    };
    for (const Case& c : cases) {
        CFakeNetwork network(c.responder);
        EXPECT_EQ(AskHostForName(network.Platform(), kHost), c.name) << c.what;
        EXPECT_EQ(network.sent.size(), c.sends) << c.what;
        EXPECT_LE(network.elapsed(), kNoAnswerMs) << c.what;
    }
}

// A name's bytes as they come, and as the list gets them: in the system's ANSI code page,
// here Windows-1252 (multicast-DNS names are UTF-8; NetBIOS names are read in this computer's
// OEM code page, here 437 or 850, which agree on the bytes below). Expected bytes typed from
// the code page tables.
TEST(HostNameQuery, NamesComeInTheSystemsCodePage)
{
    const UINT oem = ::GetOEMCP();
    if (::GetACP() != 1252 || (oem != 437 && oem != 850))
        GTEST_SKIP() << "the expected bytes are those of code pages 1252 and 437/850, not " << ::GetACP() << "/" << oem;
    struct Case {
        const char* what;
        NameProtocol protocol;
        std::string sent;  // the name's bytes in the answer
        std::string shown;
    };
    const Case cases[] = {
        {"UTF-8 umlauts", NameProtocol::MulticastDns, "k\xC3\xBC" "che-\xC3\xA4\xC3\xB6.local", "k\xFC" "che-\xE4\xF6.local"},
        {"UTF-8 sharp s and a capital umlaut", NameProtocol::MulticastDns, "\xC3\x9C" "ber-gro\xC3\x9F", "\xDC" "ber-gro\xDF"},
        {"a stray 0xFF in UTF-8", NameProtocol::MulticastDns, "pi\xFF.local", "pi?.local"},
        {"a character the ANSI code page lacks", NameProtocol::MulticastDns, "snow\xE2\x98\x83", "snow?"},
        {"an OEM u umlaut", NameProtocol::NetBios, "B\x81RO-PC", "B\xFCRO-PC"},
        {"OEM capital umlauts", NameProtocol::NetBios, "\x8E\x99\x9A", "\xC4\xD6\xDC"},
        {"plain ASCII", NameProtocol::NetBios, "OFFICE-PC", "OFFICE-PC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CFakeNetwork network([&c](const Sent& s, int) {
            if (s.protocol != c.protocol)
                return std::vector<Event>{Refused(s)};
            Bytes labels{static_cast<uint8_t>(c.sent.size())};
            labels.insert(labels.end(), c.sent.begin(), c.sent.end());
            labels.push_back(0);
            return std::vector<Event>{
                Datagram(s, IsDns(s) ? MulticastDnsAnswer(s.packet, labels) : NodeStatusAnswer(s.packet, c.sent))};
        });
        EXPECT_EQ(AskHostForName(network.Platform(), kHost), c.shown);
    }
}

// A query whose send fails is given up alone, without a wait for its answer.
TEST(HostNameQuery, AFailedSendGivesUpThatQueryAlone)
{
    const auto netBiosOnly = [](const Sent& s, int) {
        return std::vector<Event>{IsDns(s) ? Refused(s) : Datagram(s, NodeStatusAnswer(s.packet, "OFFICE-PC"))};
    };
    struct Case {
        const char* what;
        SendFailure sendFails;
        std::string name;
        size_t sends;
    };
    const Case cases[] = {
        {"the multicast-DNS send fails: the NetBIOS name still comes", IsDns, "OFFICE-PC", 1},
        {"both sends fail: no name, no wait", [](const Sent&) { return true; }, "", 0},
    };
    for (const Case& c : cases) {
        CFakeNetwork network(netBiosOnly, c.sendFails);
        EXPECT_EQ(AskHostForName(network.Platform(), kHost), c.name) << c.what;
        EXPECT_EQ(network.sent.size(), c.sends) << c.what;
        EXPECT_LE(network.elapsed(), c.sends ? kNoAnswerMs : 0) << c.what;
    }
}

TEST(HostNameQuery, NoSocketsNoName)
{
    NameQueryPlatform platform{[] { return std::unique_ptr<CNameQuerySockets>(); }, [] { return DWORD{0}; },
                               [] { return uint16_t{1}; }};
    EXPECT_EQ(AskHostForName(platform, kHost), "");
}

// The probe asks the host only where DNS has no name, and shows the answer as a DNS name.
TEST(HostNameQuery, TheProbeAsksOnlyWithoutADnsName)
{
    struct Case {
        bool dnsName;
        std::string own;
        const char* shown;
        int asked;
    };
    const Case cases[] = {
        {true, "kitchen-pi.local", "Nas.lan", 0},
        {false, "kitchen-pi.local", "Kitchen-pi.local", 1},
        {false, "OFFICE-PC", "OFFICE-PC", 1},
        {false, "", "", 1},
    };
    for (const Case& c : cases) {
        int asked = 0;
        uint32_t askedFor = 0;
        HostProbePlatform platform;
        platform.LookUpName = [&c](const sockaddr*, int, char* host, DWORD size, int) {
            if (!c.dnsName)
                return EAI_NONAME;
            ::lstrcpynA(host, "nas.lan", static_cast<int>(size));
            return 0;
        };
        platform.AskHostName = [&](uint32_t address) {
            ++asked;
            askedFor = address;
            return c.own;
        };
        char name[kHostNameCapacity];
        EXPECT_EQ(GetHostName(platform, "10.77.0.12", name, sizeof(name)), c.shown[0] != '\0') << c.shown;
        EXPECT_STREQ(name, c.shown);
        EXPECT_EQ(asked, c.asked) << c.shown;
        if (asked) {
            EXPECT_EQ(askedFor, kHost);
        }
    }
}

// Stop pressed while DNS is asked: the host itself is asked nothing, and it is still reported
// named, with no name.
TEST(HostNameQuery, AStopDuringTheDnsLookUpAsksTheHostNothing)
{
    const auto stop = std::make_shared<const CHandle>(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(*stop);
    int asked = 0;
    HostProbePlatform platform;
    platform.SendARP = [](IPAddr, IPAddr, void* mac, ULONG* length) {
        std::memset(mac, 0x02, 6);
        *length = 6;
        return static_cast<DWORD>(NO_ERROR);
    };
    platform.LookUpName = [&stop](const sockaddr*, int, char*, DWORD, int) {
        ::SetEvent(stop->Get());
        return EAI_NONAME;
    };
    platform.AskHostName = [&asked](uint32_t) {
        ++asked;
        return std::string("kitchen-pi.local");
    };
    const auto results = std::make_shared<CScanResultsQueue>();
    HostProbeTask task{};
    std::snprintf(task.Address, sizeof(task.Address), "10.77.0.12");
    task.Results = results;
    task.Stop = stop;
    ProbeHost(task, platform);
    EXPECT_EQ(asked, 0);
    std::vector<ScanResult> reported;
    results->Take(reported, SIZE_MAX);
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_FALSE(reported[0].Named);
    EXPECT_TRUE(reported[1].Named);
    EXPECT_EQ(reported[1].Name, "");
}

TEST(HostNameQuery, AnOwnNameLongerThanTheBufferIsCutLikeADnsName)
{
    HostProbePlatform platform;
    platform.LookUpName = [](const sockaddr*, int, char*, DWORD, int) { return EAI_NONAME; };
    platform.AskHostName = [](uint32_t) { return std::string(300, 'a'); };
    char name[16];
    EXPECT_TRUE(GetHostName(platform, "10.77.0.12", name, sizeof(name)));
    EXPECT_STREQ(name, "Aaaaaaaaaaaaaaa");
}

}  // namespace
