// Asking devices by UPnP over a made-up network: which search answers count and for which
// host, what a description's fetch accepts within its one deadline, and what a probe makes of
// a device's texts next to the names DNS, multicast DNS and NetBIOS give. No socket; the clock
// is the fake network's, so the deadlines are exact.
#include "scan/UpnpQuery.h"
#include "net/Ipv4Address.h"
#include "scan/HostProbe.h"
#include "scan/ScanResultsQueue.h"
#include "ui/ScanResultTexts.h"

#include "DescribedDevices.h"
#include "Wait.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kNet = 0x0A010200;  // 10.1.2.0/24
constexpr uint32_t kOwn = kNet + 40;    // this computer
constexpr uint32_t kTv = kNet + 5;
constexpr uint32_t kGateway = kNet + 7;
constexpr uint32_t kSilent = kNet + 9;
constexpr uint32_t kOutside = 0x0A090909;  // 10.9.9.9
constexpr DWORD kStart = 0xFFFFFF00;       // the tick count wraps meanwhile

std::string SearchAnswer(const std::string& location)
{
    return "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=1800\r\nEXT:\r\nLOCATION: " + location +
           "\r\nSERVER: Linux/6.1 UPnP/1.0 Test/1.0\r\nST: upnp:rootdevice\r\nUSN: uuid:1::upnp:rootdevice\r\n\r\n";
}

std::string Description(const std::string& name, const std::string& maker, const std::string& model)
{
    return "<?xml version=\"1.0\"?>\n<root xmlns=\"urn:schemas-upnp-org:device-1-0\"><device>"
           "<deviceType>urn:schemas-upnp-org:device:MediaServer:1</deviceType><friendlyName>" +
           name + "</friendlyName><manufacturer>" + maker + "</manufacturer><modelName>" + model +
           "</modelName></device></root>\n";
}

std::string Ok(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\n\r\n" + body;
}

// ---------------------------------------------------------------- a made-up network

// What a fetch's connection does: one step per call after the connect.
struct Step {
    DWORD costMs = 0;    // the fake clock moves on this much (capped at the call's wait)
    int error = 0;       // the call's answer; WSAETIMEDOUT when the cost reached the wait
    std::string bytes;   // received (empty with no error: the peer closed)
};

// A web server at one address and port: its connect's answer and what it sends.
struct Server {
    int connectError = 0;
    DWORD connectMs = 2;
    std::vector<Step> steps;  // after them: the peer stays silent
    size_t sendLimit = 0;     // bytes a send takes at most (0: all)
};

Server Serving(const std::string& response)
{
    return Server{0, 2, {{3, 0, response}, {1, 0, ""}}, 0};
}

struct Datagram {
    DWORD at;  // ms after the socket was opened
    SsdpDatagram datagram;
};

class CFakeUpnpNetwork {
public:
    // What answers each search, by where it went; runs on the reader's thread.
    std::function<std::vector<Datagram>(uint32_t to, const std::string& packet)> Answers =
        [](uint32_t, const std::string&) { return std::vector<Datagram>{}; };
    std::map<std::pair<uint32_t, uint16_t>, Server> Servers;

    struct Search {
        uint32_t to;
        uint16_t port;
        std::string packet;
    };
    struct Connection {
        uint32_t to = 0;
        uint16_t port = 0;
        std::string request;
        DWORD callsAfterDeadline = 0;
    };

    UpnpPlatform Platform()
    {
        return UpnpPlatform{
            [this](uint32_t address) {
                m_OwnAskedFor = address;
                return (address & 0xFFFFFF00) == kNet ? kOwn : 0;
            },
            [this](uint32_t ownAddress) -> std::unique_ptr<CSsdpSocket> {
                m_SocketsOpened++;
                m_SocketOwnAddress = ownAddress;
                m_Now += OpenDelayMs;
                m_OpenedAt = m_Now.load();
                return std::make_unique<Socket>(*this);
            },
            [this]() -> std::unique_ptr<CHttpConnection> { return std::make_unique<Http>(*this); },
            [this] { return m_Now.load(); },
        };
    }

    // Until released the network holds its clock: the reader takes what has arrived and
    // sends what the probes ask for, but its window does not run out.
    void Release()
    {
        m_Released = true;
        ::SetEvent(m_Changed.Get());
    }

    DWORD Elapsed() const { return m_Now - kStart; }
    // How long the search socket takes to open: a reader that starts late.
    DWORD OpenDelayMs = 0;
    void Advance(DWORD ms) { m_Now += ms; }
    std::vector<Search> Searches() const
    {
        const CSingleLock lock(m_Lock);
        return m_Searches;
    }
    std::vector<Connection> Connections() const
    {
        const CSingleLock lock(m_Lock);
        return m_Connections;
    }
    int SocketsOpened() const { return m_SocketsOpened; }
    uint32_t SocketOwnAddress() const { return m_SocketOwnAddress; }
    uint32_t OwnAskedFor() const { return m_OwnAskedFor; }

private:
    class Socket : public CSsdpSocket {
    public:
        explicit Socket(CFakeUpnpNetwork& network) : m_Network(network) {}
        bool Send(uint32_t address, uint16_t port, const std::string& packet) override
        {
            const std::vector<Datagram> answers = m_Network.Answers(address, packet);
            const CSingleLock lock(m_Network.m_Lock);
            m_Network.m_Searches.push_back({address, port, packet});
            for (const Datagram& answer : answers)
                m_Network.m_Waiting.push_back(answer);
            return true;
        }
        int Receive(DWORD ms, SsdpDatagram& datagram) override
        {
            for (;;) {
                {
                    const CSingleLock lock(m_Network.m_Lock);
                    const DWORD now = m_Network.m_Now - m_Network.m_OpenedAt;
                    for (auto it = m_Network.m_Waiting.begin(); it != m_Network.m_Waiting.end(); ++it) {
                        if (it->at <= now) {
                            datagram = it->datagram;
                            m_Network.m_Waiting.erase(it);
                            return 0;
                        }
                    }
                    if (m_Network.m_Released) {
                        DWORD next = now + ms;
                        for (const Datagram& waiting : m_Network.m_Waiting)
                            next = std::min(next, waiting.at);
                        m_Network.m_Now += next - now;
                        if (next - now == ms)
                            return WSAETIMEDOUT;
                        continue;
                    }
                }
                // Held: a real short wait, so that the reader sends what probes ask for.
                ::WaitForSingleObject(m_Network.m_Changed.Get(), ms);
                return WSAETIMEDOUT;
            }
        }

    private:
        CFakeUpnpNetwork& m_Network;
    };

    class Http : public CHttpConnection {
    public:
        explicit Http(CFakeUpnpNetwork& network) : m_Network(network) {}
        ~Http() override
        {
            const CSingleLock lock(m_Network.m_Lock);
            m_Network.m_Connections.push_back(m_Record);
        }
        int Connect(uint32_t address, uint16_t port, DWORD ms) override
        {
            m_Record.to = address;
            m_Record.port = port;
            m_Deadline = m_Network.m_Now + ms;
            const auto server = m_Network.Servers.find({address, port});
            if (server == m_Network.Servers.end())
                return Cost(ms, ms, WSAETIMEDOUT);  // nobody there: the SYN goes unanswered
            m_Server = server->second;
            return Cost(m_Server.connectMs, ms, m_Server.connectError);
        }
        int Send(const char* data, size_t size, DWORD ms, size_t& sent) override
        {
            Count(ms);
            const size_t take = m_Server.sendLimit ? std::min(size, m_Server.sendLimit) : size;
            m_Record.request.append(data, take);
            sent = take;
            return 0;
        }
        int Receive(char* buffer, size_t size, DWORD ms, size_t& received) override
        {
            Count(ms);
            received = 0;
            if (m_Next >= m_Server.steps.size())
                return Cost(ms, ms, WSAETIMEDOUT);
            Step& step = m_Server.steps[m_Next];
            if (step.costMs > ms)
                return Cost(ms, ms, WSAETIMEDOUT);  // the step comes too late for this call
            m_Network.m_Now += step.costMs;
            if (step.error != 0) {
                ++m_Next;
                return step.error;
            }
            received = std::min(size, step.bytes.size());
            std::copy(step.bytes.begin(), step.bytes.begin() + static_cast<std::ptrdiff_t>(received), buffer);
            step.bytes.erase(0, received);
            step.costMs = 0;
            if (step.bytes.empty() || received == 0)
                ++m_Next;
            return 0;
        }

    private:
        int Cost(DWORD costMs, DWORD ms, int error)
        {
            m_Network.m_Now += std::min(costMs, ms);
            return costMs >= ms && error == 0 ? WSAETIMEDOUT : error;
        }
        void Count(DWORD ms)
        {
            if (ms == 0 || static_cast<LONG>(m_Network.m_Now - m_Deadline) >= 0)
                ++m_Record.callsAfterDeadline;
        }

        CFakeUpnpNetwork& m_Network;
        Server m_Server;
        size_t m_Next = 0;
        DWORD m_Deadline = 0;
        Connection m_Record;
    };

    std::atomic<DWORD> m_Now{kStart};
    std::atomic<DWORD> m_OpenedAt{kStart};
    std::atomic<bool> m_Released{false};
    std::atomic<int> m_SocketsOpened{0};
    std::atomic<uint32_t> m_SocketOwnAddress{0};
    std::atomic<uint32_t> m_OwnAskedFor{0};
    CHandle m_Changed{::CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    mutable CCriticalSection m_Lock;
    std::vector<Search> m_Searches;
    std::deque<Datagram> m_Waiting;
    std::vector<Connection> m_Connections;
};

Datagram AnswerFrom(uint32_t from, const std::string& location, DWORD at = 20, uint16_t port = 1900)
{
    const std::string text = SearchAnswer(location);
    return Datagram{at, SsdpDatagram{from, port, std::vector<uint8_t>(text.begin(), text.end())}};
}

// The range .1 to .20 as a run hands it over (network order).
std::vector<IPAddr> Range()
{
    std::vector<IPAddr> dests;
    for (uint32_t host = 1; host <= 20; ++host)
        dests.push_back(::htonl(kNet + host));
    return dests;
}

bool IsGroupSearch(uint32_t to)
{
    return to == 0xEFFFFFFA;
}

// ---------------------------------------------------------------- the searches

TEST(UpnpSearch, OneGroupSearchOutOfTheScannedAdapterAndEachAnswerGoesToItsOwnHost)
{
    CFakeUpnpNetwork network;
    network.Answers = [](uint32_t to, const std::string&) {
        if (!IsGroupSearch(to))
            return std::vector<Datagram>{};
        return std::vector<Datagram>{AnswerFrom(kTv, "http://10.1.2.5:8200/rootDesc.xml", 20),
                                     AnswerFrom(kGateway, "http://10.1.2.7:5000/rootDesc.xml", 50)};
    };
    network.Servers[{kTv, 8200}] = Serving(Ok(Description("Living Room TV", "Justin Maggard", "MiniDLNA")));
    network.Servers[{kGateway, 5000}] = Serving(Ok(Description("Home Gateway", "Example Networks", "HG-200")));
    {
        CUpnpSearch search(network.Platform(), nullptr);
        search.Begin(Range());
        network.Release();
        // The window runs out on the fake clock at once; the fetches come after it, so that
        // their deadline is measured on a clock that only they move.
        ASSERT_TRUE(search.WaitForReaderEnd(kWaitMs));
        const UpnpDevice gateway = AwaitDevice(search, kGateway);
        const UpnpDevice tv = AwaitDevice(search, kTv);
        const UpnpDevice silent = AwaitDevice(search, kSilent);
        EXPECT_EQ(gateway.FriendlyName, "Home Gateway");
        EXPECT_EQ(gateway.Manufacturer, "Example Networks");
        EXPECT_EQ(gateway.ModelName, "HG-200");
        EXPECT_EQ(tv.FriendlyName, "Living Room TV");
        EXPECT_EQ(silent.FriendlyName, "");
        EXPECT_GE(network.Elapsed(), UpnpTiming::kAnswerWindowMs) << "the silent host waited out the window";
    }
    EXPECT_EQ(network.OwnAskedFor() & 0xFFFFFF00, kNet) << "the adapter is the one of the range";
    EXPECT_EQ(network.SocketOwnAddress(), kOwn);
    const auto searches = network.Searches();
    ASSERT_EQ(searches.size(), 1u) << "one group search, no unicast one asked for";
    EXPECT_TRUE(IsGroupSearch(searches[0].to));
    EXPECT_EQ(searches[0].port, 1900);
    const std::string& packet = searches[0].packet;
    EXPECT_EQ(packet.rfind("M-SEARCH * HTTP/1.1\r\n", 0), 0u) << packet;
    for (const char* line : {"\r\nHOST: 239.255.255.250:1900\r\n", "\r\nMAN: \"ssdp:discover\"\r\n", "\r\nMX: 1\r\n",
                             "\r\nST: upnp:rootdevice\r\n", " UPnP/1.1 Vantrel/8.0\r\n"})
        EXPECT_NE(packet.find(line), std::string::npos) << line << " in\n" << packet;
    EXPECT_EQ(packet.substr(packet.size() - 4), "\r\n\r\n");
    const auto connections = network.Connections();
    ASSERT_EQ(connections.size(), 2u) << "only the two that answered";
    EXPECT_EQ(connections[0].to, kGateway);
    EXPECT_EQ(connections[0].port, 5000);
    EXPECT_EQ(connections[1].to, kTv);
    EXPECT_EQ(connections[1].port, 8200);
}

TEST(UpnpSearch, AnAnswerCountsOnlyFromTheHostItselfWithALocationOnItself)
{
    struct Case {
        const char* what;
        std::vector<Datagram> answers;
        const char* name;  // what the TV at .5 is called
    };
    const Case cases[] = {
        {"the host's own answer", {AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml")}, "Living Room TV"},
        {"from another port of it", {AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml", 20, 40000)}, "Living Room TV"},
        {"a neighbour answering for it", {AnswerFrom(kGateway, "http://10.1.2.5:8200/d.xml")}, ""},
        {"an address outside the range answering for it", {AnswerFrom(kOutside, "http://10.1.2.5:8200/d.xml")}, ""},
        {"its LOCATION on another host", {AnswerFrom(kTv, "http://10.1.2.7:8200/d.xml")}, ""},
        {"its LOCATION a DNS name", {AnswerFrom(kTv, "http://tv.lan:8200/d.xml")}, ""},
        {"its LOCATION https", {AnswerFrom(kTv, "https://10.1.2.5:8200/d.xml")}, ""},
        {"its LOCATION with userinfo", {AnswerFrom(kTv, "http://x@10.1.2.5:8200/d.xml")}, ""},
        {"a LOCATION elsewhere first, then its own",
         {AnswerFrom(kTv, "http://10.1.2.7:8200/d.xml", 10), AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml", 30)},
         "Living Room TV"},
        {"its own answer, then one elsewhere",
         {AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml", 10), AnswerFrom(kTv, "http://10.1.2.7:8200/d.xml", 30)},
         "Living Room TV"},
        {"at the window's last moment", {AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml", 1099)}, "Living Room TV"},
        {"after the window", {AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml", 1101)}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CFakeUpnpNetwork network;
        network.Answers = [&c](uint32_t to, const std::string&) {
            return IsGroupSearch(to) ? c.answers : std::vector<Datagram>{};
        };
        // Bait wherever a wrong answer might lead.
        network.Servers[{kTv, 8200}] = Serving(Ok(Description("Living Room TV", "Justin Maggard", "MiniDLNA")));
        network.Servers[{kGateway, 8200}] = Serving(Ok(Description("Bait", "Bait Maker", "Bait-1")));
        UpnpDevice tv;
        {
            CUpnpSearch search(network.Platform(), nullptr);
            search.Begin(Range());
            network.Release();
            EXPECT_TRUE(search.WaitForReaderEnd(kWaitMs));
            tv = AwaitDevice(search, kTv);
        }
        EXPECT_EQ(tv.FriendlyName, c.name);
        for (const auto& connection : network.Connections())
            EXPECT_EQ(connection.to, kTv) << "connected elsewhere";
        EXPECT_EQ(network.Connections().size(), c.name[0] ? 1u : 0u);
    }
}

// A /24's probe threads, all starting at once, hold the reader's start up: the window still
// ends when the run's silent addresses get their last look, kAnswerWindowMs after Begin.
TEST(UpnpSearch, TheWindowRunsFromBeginNotFromTheReadersLateStart)
{
    struct Case {
        DWORD at;  // after the socket opened, 40 ms after Begin
        const char* name;
    };
    for (const Case& c : {Case{1059, "Living Room TV"}, Case{1061, ""}}) {
        SCOPED_TRACE(c.at);
        CFakeUpnpNetwork network;
        network.OpenDelayMs = 40;
        network.Answers = [&c](uint32_t to, const std::string&) {
            return IsGroupSearch(to) ? std::vector<Datagram>{AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml", c.at)}
                                     : std::vector<Datagram>{};
        };
        network.Servers[{kTv, 8200}] = Serving(Ok(Description("Living Room TV", "Justin Maggard", "MiniDLNA")));
        CUpnpSearch search(network.Platform(), nullptr);
        search.Begin(Range());
        network.Release();
        ASSERT_TRUE(search.WaitForReaderEnd(kWaitMs));
        EXPECT_EQ(AwaitDevice(search, kTv).FriendlyName, c.name);
    }
}

TEST(UpnpSearch, AHostThatAnswersOnlyItsOwnSearchIsAskedAtItsAddress)
{
    constexpr uint32_t kPlayer = kNet + 12;
    CFakeUpnpNetwork network;
    network.Answers = [](uint32_t to, const std::string&) {
        return to == kPlayer ? std::vector<Datagram>{AnswerFrom(kPlayer, "http://10.1.2.12:49152/desc.xml", 300)}
                             : std::vector<Datagram>{};
    };
    network.Servers[{kPlayer, 49152}] = Serving(Ok(Description("Den Player", "Example Media", "EM-4")));
    UpnpDevice player;
    {
        CUpnpSearch search(network.Platform(), nullptr);
        search.Begin(Range());
        search.SearchHost(kPlayer);
        search.SearchHost(kOutside);  // never a search outside the range
        ASSERT_TRUE(PumpUntil([&] { return network.Searches().size() >= 2; })) << "the group and the host's search";
        network.Release();
        EXPECT_TRUE(search.WaitForReaderEnd(kWaitMs));
        player = AwaitDevice(search, kPlayer);
        search.SearchHost(kPlayer);  // the reader has ended: nothing more goes out
    }
    EXPECT_EQ(player.FriendlyName, "Den Player");
    const auto searches = network.Searches();
    ASSERT_EQ(searches.size(), 2u);
    EXPECT_TRUE(IsGroupSearch(searches[0].to));
    EXPECT_EQ(searches[1].to, kPlayer);
    EXPECT_EQ(searches[1].port, 1900);
    EXPECT_NE(searches[1].packet.find("\r\nHOST: 10.1.2.12:1900\r\n"), std::string::npos) << searches[1].packet;
    EXPECT_NE(searches[1].packet.find("\r\nMX: 1\r\n"), std::string::npos) << searches[1].packet;
}

TEST(UpnpSearch, ADeviceAskedForBeforeItsAnswerIsReadWhenTheAnswerComesNotAtTheWindowsEnd)
{
    // Held: the window never runs out, so only the host's answer can bring its device.
    CFakeUpnpNetwork network;
    network.Answers = [](uint32_t to, const std::string&) {
        return to == kTv ? std::vector<Datagram>{AnswerFrom(kGateway, "http://10.1.2.7:5000/d.xml", 0),
                                                 AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml", 0)}
                         : std::vector<Datagram>{};
    };
    network.Servers[{kTv, 8200}] = Serving(Ok(Description("Living Room TV", "Justin Maggard", "MiniDLNA")));
    CDescribedDevices devices;
    CUpnpSearch search(network.Platform(), nullptr);
    search.Begin(Range());
    devices.Ask(search, kTv);  // before its search went out: nothing to read yet
    EXPECT_EQ(devices.TimesTold(kTv), 0);
    search.SearchHost(kTv);
    ASSERT_TRUE(devices.WaitUntilTold(kTv, kWaitMs));
    EXPECT_EQ(devices.Of(kTv).FriendlyName, "Living Room TV");
    EXPECT_FALSE(search.WaitForReaderEnd(0)) << "the window is still open";
    EXPECT_FALSE(search.WaitForDescriptions(0)) << "more may come while the window is open";
    EXPECT_EQ(network.Elapsed(), 6u) << "no time but the fetch's own";
    network.Release();
    EXPECT_TRUE(search.WaitForDescriptions(kWaitMs));
    EXPECT_EQ(devices.TimesTold(kTv), 1);
}

// A handler the search keeps for a host that never answers may hold the run that owns the
// search: it must be let go by the search's end, or neither would ever go.
TEST(UpnpSearch, TheHandlersOfHostsThatNeverAnsweredAreLetGoWhenTheWindowEnds)
{
    CFakeUpnpNetwork network;
    network.Answers = [](uint32_t to, const std::string&) {
        return IsGroupSearch(to) ? std::vector<Datagram>{AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml", 40)}
                                 : std::vector<Datagram>{};
    };
    network.Servers[{kTv, 8200}] = Serving(Ok(Description("Living Room TV", "Justin Maggard", "MiniDLNA")));
    const auto held = std::make_shared<int>(0);
    std::atomic<int> told{0};
    CUpnpSearch search(network.Platform(), nullptr);
    search.Begin(Range());
    for (uint32_t host : {kTv, kSilent})
        search.DescribeDevice(host, [held, &told](const UpnpDevice&) { ++told; });
    EXPECT_EQ(held.use_count(), 3);
    network.Release();
    ASSERT_TRUE(search.WaitForDescriptions(kWaitMs));
    EXPECT_EQ(told, 1) << "the TV alone";
    EXPECT_EQ(held.use_count(), 1) << "both handlers let go while the search lives on";
}

TEST(UpnpSearch, ARangeOnNoAdapterGetsNoGroupSearchButItsHostsTheirOwn)
{
    CFakeUpnpNetwork network;
    network.Answers = [](uint32_t to, const std::string&) {
        return to == kOutside ? std::vector<Datagram>{AnswerFrom(kOutside, "http://10.9.9.9/d.xml")}
                              : std::vector<Datagram>{};
    };
    network.Servers[{kOutside, 80}] = Serving(Ok(Description("Far Away", "Example", "X")));
    UpnpDevice distant;
    {
        CUpnpSearch search(network.Platform(), nullptr);
        search.Begin({::htonl(kOutside)});
        search.SearchHost(kOutside);
        ASSERT_TRUE(PumpUntil([&] { return !network.Searches().empty(); }));
        network.Release();
        EXPECT_TRUE(search.WaitForReaderEnd(kWaitMs));
        distant = AwaitDevice(search, kOutside);
    }
    EXPECT_EQ(network.SocketOwnAddress(), 0u);
    const auto searches = network.Searches();
    ASSERT_EQ(searches.size(), 1u);
    EXPECT_EQ(searches[0].to, kOutside);
    EXPECT_EQ(distant.FriendlyName, "Far Away");
}

TEST(UpnpSearch, AStopEndsTheWaitsAndNothingIsSentOrFetchedAfterIt)
{
    const auto answerAll = [](uint32_t to, const std::string&) {
        return IsGroupSearch(to) || to == kTv ? std::vector<Datagram>{AnswerFrom(kTv, "http://10.1.2.5:8200/d.xml")}
                                              : std::vector<Datagram>{};
    };
    const Server tv = Serving(Ok(Description("Living Room TV", "Justin Maggard", "MiniDLNA")));
    {
        SCOPED_TRACE("stopped before the run began");
        CFakeUpnpNetwork network;
        network.Answers = answerAll;
        network.Servers[{kTv, 8200}] = tv;
        CHandle stop(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
        {
            CUpnpSearch search(network.Platform(), stop.Get());
            search.Begin(Range());
            search.SearchHost(kTv);
            EXPECT_EQ(AwaitDevice(search, kTv).FriendlyName, "");
            EXPECT_TRUE(search.WaitForReaderEnd(0)) << "no reader started";
        }
        EXPECT_EQ(network.SocketsOpened(), 0);
        EXPECT_TRUE(network.Searches().empty());
        EXPECT_TRUE(network.Connections().empty());
    }
    {
        SCOPED_TRACE("stopped after the answer came, before the fetch");
        CFakeUpnpNetwork network;
        network.Answers = answerAll;
        network.Servers[{kTv, 8200}] = tv;
        CHandle stop(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        {
            CUpnpSearch search(network.Platform(), stop.Get());
            search.Begin(Range());
            network.Release();
            ASSERT_TRUE(search.WaitForReaderEnd(kWaitMs));
            ::SetEvent(stop.Get());
            search.SearchHost(kTv);
            EXPECT_EQ(AwaitDevice(search, kTv).FriendlyName, "");
        }
        EXPECT_EQ(network.Searches().size(), 1u) << "the group search only";
        EXPECT_TRUE(network.Connections().empty());
    }
    {
        SCOPED_TRACE("a device asked for before its answer when the run stops");
        CFakeUpnpNetwork network;  // held: the window never runs out by itself
        network.Answers = answerAll;
        network.Servers[{kTv, 8200}] = tv;
        CHandle stop(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        CDescribedDevices devices;
        {
            CUpnpSearch search(network.Platform(), stop.Get());
            search.Begin(Range());
            devices.Ask(search, kSilent);
            ::SetEvent(stop.Get());
            EXPECT_TRUE(search.WaitForDescriptions(kWaitMs));
            devices.Ask(search, kTv);
        }
        EXPECT_EQ(devices.TimesTold(kSilent) + devices.TimesTold(kTv), 0);
        EXPECT_TRUE(network.Connections().empty());
        EXPECT_LT(network.Elapsed(), UpnpTiming::kAnswerWindowMs) << "ended by the stop, not the window";
    }
}

// ---------------------------------------------------------------- the fetch

struct FetchCase {
    const char* what;
    Server server;
    FetchOutcome outcome;
    std::string body;
    DWORD elapsed;  // ms the fetch took on the fake clock
};

std::string Bytes(size_t count, char c = 'x')
{
    return std::string(count, c);
}

TEST(UpnpFetch, WhatAFetchAcceptsWithinItsOneDeadline)
{
    const std::string doc = Description("Family NAS", "Justin Maggard", "MiniDLNA");
    const DWORD kDeadline = UpnpTiming::kFetchDeadlineMs;
    static_assert(UpnpTiming::kFetchDeadlineMs == 500, "the times below are worked out for 500 ms");
    std::vector<Step> trickle;
    for (char c : Ok(doc))
        trickle.push_back({10, 0, std::string(1, c)});  // a byte every 10 ms: 4 s for the answer
    std::vector<Step> slowHead{{200, 0, "HTTP/1.1 200 OK\r\n"}, {200, 0, "Content-Type: text/xml\r\n"},
                               {200, 0, "\r\n" + doc}, {0, 0, ""}};
    const FetchCase cases[] = {
        {"a whole answer, then the close", Serving(Ok(doc)), FetchOutcome::Fetched, doc, 2 + 3 + 1},
        {"the answer in pieces of any size",
         Server{0, 2, {{1, 0, "HTTP/1.0 2"}, {1, 0, "00 OK\r\n\r"}, {1, 0, "\n<ro"}, {1, 0, "ot/>"}, {1, 0, ""}}, 3},
         FetchOutcome::Fetched, "<root/>", 2 + 5},
        {"an empty body", Serving(Ok("")), FetchOutcome::Fetched, "", 6},
        {"a refused connection", Server{WSAECONNREFUSED, 1, {}, 0}, FetchOutcome::Failed, "", 1},
        {"a host that never accepts", Server{0, 100000, {}, 0}, FetchOutcome::TimedOut, "", kDeadline},
        {"a redirect, not followed",
         Serving("HTTP/1.1 302 Found\r\nLocation: http://10.1.2.7:8200/d.xml\r\n\r\n" +
                 Description("Bait", "Bait Maker", "Bait-1")),
         FetchOutcome::Refused, "", 2 + 3},
        {"a 301", Serving("HTTP/1.0 301 Moved\r\nLocation: /other.xml\r\n\r\n"), FetchOutcome::Refused, "", 5},
        {"a 404", Serving("HTTP/1.0 404 Not Found\r\n\r\n"), FetchOutcome::Refused, "", 5},
        {"a chunked body", Serving("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7\r\n<root/>\r\n0\r\n\r\n"),
         FetchOutcome::Refused, "", 5},
        {"no status line", Serving(doc), FetchOutcome::Refused, "", 5},
        {"closed within the head", Server{0, 2, {{3, 0, "HTTP/1.1 200 OK\r\nServer: x"}, {1, 0, ""}}, 0},
         FetchOutcome::Refused, "", 6},
        {"a body of exactly 64 KiB", Serving(Ok(Bytes(65536))), FetchOutcome::Fetched, Bytes(65536), 6},
        {"a body one byte over 64 KiB", Serving(Ok(Bytes(65537))), FetchOutcome::TooLarge, "", 5},
        {"a body of 1 MiB that never ends", Serving(Ok(Bytes(1 << 20))), FetchOutcome::TooLarge, "", 5},
        {"a body that trickles past the deadline", Server{0, 2, trickle, 0}, FetchOutcome::TimedOut, "", kDeadline},
        {"a head that comes slowly, the last part too late", Server{0, 2, slowHead, 0}, FetchOutcome::TimedOut, "",
         kDeadline},
        {"a reset in the middle of the body",
         Server{0, 2, {{3, 0, Ok(doc.substr(0, 60))}, {5, WSAECONNRESET, ""}}, 0}, FetchOutcome::Failed, "", 10},
        {"a peer that sends its answer and stays open", Server{0, 2, {{3, 0, Ok(doc)}}, 0}, FetchOutcome::TimedOut, "",
         kDeadline},
        {"the request taken 7 bytes at a time", Server{0, 2, {{3, 0, Ok(doc)}, {1, 0, ""}}, 7}, FetchOutcome::Fetched,
         doc, 6},
    };
    DescriptionUrl url;
    url.Port = 8200;
    url.Path = "/rootDesc.xml";
    for (const FetchCase& c : cases) {
        SCOPED_TRACE(c.what);
        CFakeUpnpNetwork network;
        network.Servers[{kTv, 8200}] = c.server;
        std::string body = "left over";
        EXPECT_EQ(FetchDescription(network.Platform(), kTv, url, nullptr, body), c.outcome);
        EXPECT_EQ(body, c.body);
        EXPECT_EQ(network.Elapsed(), c.elapsed);
        const auto connections = network.Connections();
        ASSERT_EQ(connections.size(), 1u) << "one connection, never a second one";
        EXPECT_EQ(connections[0].to, kTv);
        EXPECT_EQ(connections[0].port, 8200);
        EXPECT_EQ(connections[0].callsAfterDeadline, 0u) << "no call waits past the deadline";
        if (c.server.connectError == 0 && c.server.connectMs < kDeadline) {
            const std::string& request = connections[0].request;
            EXPECT_EQ(request.rfind("GET /rootDesc.xml HTTP/1.0\r\n", 0), 0u) << request;
            EXPECT_NE(request.find("\r\nHost: 10.1.2.5:8200\r\n"), std::string::npos) << request;
            EXPECT_NE(request.find("\r\nConnection: close\r\n"), std::string::npos) << request;
            EXPECT_EQ(request.substr(request.size() - 4), "\r\n\r\n");
        }
    }
}

TEST(UpnpFetch, NoConnectionOnceTheRunIsStopped)
{
    CFakeUpnpNetwork network;
    network.Servers[{kTv, 80}] = Serving(Ok("<root/>"));
    CHandle stop(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
    DescriptionUrl url;
    url.Path = "/";
    std::string body;
    EXPECT_EQ(FetchDescription(network.Platform(), kTv, url, stop.Get(), body), FetchOutcome::Stopped);
    EXPECT_TRUE(network.Connections().empty());
}

// ---------------------------------------------------------------- a probe's texts

// A sink that keeps the named reports: the last one's texts, and what each one showed.
class CNamedSink : public CScanResultsSink {
public:
    void OnHostFound(const char*, const BYTE*, ULONG) override {}
    void OnHostNamed(const char*, const char* name, HostRole role, const BYTE* mac, ULONG macLength,
                     const char* device) override
    {
        Name = name;
        Role = role;
        Device = device;
        Description = HostDescription(role, mac, macLength, device);
        Shown.push_back({Name, Description});
        ++Named;
    }
    std::string Name, Device, Description;
    HostRole Role = HostRole::Other;
    int Named = 0;
    std::vector<std::pair<std::string, std::string>> Shown;  // name and description, a report each
};

const BYTE kSynologyMac[6] = {0x00, 0x11, 0x32, 0xAA, 0xBB, 0xCC};  // oui.csv: 001132 Synology Incorporated
const char kSynologyMaker[] = "Synology Incorporated";

struct ProbeCase {
    const char* what;
    const char* address;
    const char* dnsName;  // null: no DNS name
    std::string ownName;  // what multicast DNS or NetBIOS gave
    UpnpDevice device;
    std::string name;
    std::string description;
    // Shown first, as soon as the names are known; the device's texts may follow in a report
    // of their own.
    std::string firstName = {};
    int reports = 2;
};

struct ProbeCalls {
    std::vector<std::string> order;
    uint32_t searchedFor = 0;
    uint32_t askedFor = 0;
    std::function<void(const UpnpDevice&)> onDevice;  // kept, as the search keeps it
};

HostProbePlatform MadeUpPlatform(const ProbeCase& c, ProbeCalls& calls)
{
    HostProbePlatform platform;
    platform.SendARP = [&calls](IPAddr, IPAddr, void* mac, ULONG* length) -> DWORD {
        calls.order.push_back("arp");
        std::memcpy(mac, kSynologyMac, sizeof(kSynologyMac));
        *length = sizeof(kSynologyMac);
        return NO_ERROR;
    };
    platform.LookUpName = [&c, &calls](const sockaddr*, int, char* host, DWORD size, int) {
        calls.order.push_back("dns");
        if (!c.dnsName)
            return EAI_NONAME;
        ::lstrcpynA(host, c.dnsName, static_cast<int>(size));
        return 0;
    };
    platform.AskHostName = [&c, &calls](uint32_t) {
        calls.order.push_back("own");
        return c.ownName;
    };
    platform.SearchUpnpDevice = [&calls](uint32_t address) {
        calls.order.push_back("search");
        calls.searchedFor = address;
    };
    platform.DescribeUpnpDevice = [&calls](uint32_t address, std::function<void(const UpnpDevice&)> onDevice) {
        calls.order.push_back("device");
        calls.askedFor = address;
        calls.onDevice = std::move(onDevice);
    };
    return platform;
}

LocalHostFacts Local()
{
    LocalHostFacts local{};
    ::lstrcpynA(local.HostName, "Desk-pc", sizeof(local.HostName));
    ::lstrcpynA(local.LocalAddress, "10.1.2.40", sizeof(local.LocalAddress));
    ::lstrcpynA(local.GatewayAddress, "10.1.2.7", sizeof(local.GatewayAddress));
    return local;
}

TEST(UpnpProbe, TheDeviceNamesAHostOnlyWhereNoOtherNameCameAndDescribesWhatItIs)
{
    const UpnpDevice nas{"Family NAS", "Synology Inc.", "DS920+"};
    const UpnpDevice prefixed{"Family NAS", "Synology", "Synology DS920+"};
    const UpnpDevice none{};
    const ProbeCase cases[] = {
        {"DNS wins over everything", "10.1.2.5", "nas.lan", "KITCHEN", nas, "Nas.lan", "Synology Inc. DS920+",
         "Nas.lan"},
        {"multicast DNS or NetBIOS before UPnP", "10.1.2.5", nullptr, "kitchen-pi.local", nas, "Kitchen-pi.local",
         "Synology Inc. DS920+", "Kitchen-pi.local"},
        {"UPnP where nothing else named it", "10.1.2.5", nullptr, "", nas, "Family NAS", "Synology Inc. DS920+"},
        {"the friendlyName capitalised as any name", "10.1.2.5", nullptr, "", {"living room tv", "", ""},
         "Living room tv", kSynologyMaker},
        {"a friendlyName alone where DNS named it tells nothing more", "10.1.2.5", "nas.lan", "",
         {"Family NAS", "", ""}, "Nas.lan", kSynologyMaker, "Nas.lan", 1},
        {"a model that starts with the maker", "10.1.2.5", "nas.lan", "", prefixed, "Nas.lan", "Synology DS920+",
         "Nas.lan"},
        {"a maker alone", "10.1.2.5", "nas.lan", "", {"", "Example Networks", ""}, "Nas.lan", "Example Networks",
         "Nas.lan"},
        {"a model alone", "10.1.2.5", "nas.lan", "", {"", "", "HG-200"}, "Nas.lan", "HG-200", "Nas.lan"},
        {"no device: the adapter's maker", "10.1.2.5", nullptr, "", none, "", kSynologyMaker, "", 1},
        {"the router keeps its text, takes a name", "10.1.2.7", nullptr, "", {"Home Gateway", "Example Networks", "HG-200"},
         "Home Gateway", "This is your Router"},
        {"the router's DNS name stays", "10.1.2.7", "gw.lan", "", {"Home Gateway", "Example Networks", "HG-200"},
         "Gw.lan", "This is your Router", "Gw.lan"},
    };
    const LocalHostFacts local = Local();
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.what);
        ProbeCalls calls;
        const HostProbePlatform platform = MadeUpPlatform(c, calls);
        const auto results = std::make_shared<CNamedSink>();
        CNamedSink& sink = *results;
        HostProbeTask task{};
        ::lstrcpynA(task.Address, c.address, sizeof(task.Address));
        task.Results = results;
        task.Local = std::make_shared<const LocalHostFacts>(local);
        ProbeHost(task, platform);
        // Before the device's answer: the names found and what the host's role or adapter says.
        const bool router = std::strcmp(c.address, local.GatewayAddress) == 0;
        ASSERT_EQ(sink.Shown.size(), 1u) << "named without waiting for the device";
        EXPECT_EQ(sink.Shown.front().first, c.firstName);
        EXPECT_EQ(sink.Shown.front().second, router ? "This is your Router" : kSynologyMaker);
        // The device, told after the probe has ended, as a late answer is.
        ASSERT_TRUE(calls.onDevice);
        calls.onDevice(c.device);
        EXPECT_EQ(sink.Named, c.reports);
        EXPECT_EQ(sink.Name, c.name);
        EXPECT_EQ(sink.Description, c.description);
        uint32_t host = 0;
        ASSERT_TRUE(ParseAddress(c.address, host));
        EXPECT_EQ(calls.searchedFor, host);
        EXPECT_EQ(calls.askedFor, host);
        ASSERT_GE(calls.order.size(), 4u);
        EXPECT_EQ(calls.order[0], "arp");
        EXPECT_EQ(calls.order[1], "search") << "searched before the names, so the answer comes meanwhile";
        EXPECT_EQ(calls.order.back(), "device") << "asked for after the names";
    }
}

TEST(UpnpProbe, ThisComputerKeepsItsNameAndTextAndAStoppedRunAsksNoDevice)
{
    const LocalHostFacts local = Local();
    {
        SCOPED_TRACE("this computer");
        const ProbeCase c{"", "10.1.2.40", nullptr, "", {"Media Share", "Example", "MS-1"}, "", ""};
        ProbeCalls calls;
        const auto results = std::make_shared<CNamedSink>();
        CNamedSink& sink = *results;
        HostProbeTask task{};
        ::lstrcpynA(task.Address, c.address, sizeof(task.Address));
        task.Results = results;
        task.Local = std::make_shared<const LocalHostFacts>(local);
        ProbeHost(task, MadeUpPlatform(c, calls));
        EXPECT_EQ(sink.Name, "Desk-pc");
        EXPECT_EQ(sink.Description, "This is your current system");
        EXPECT_EQ(calls.order, std::vector<std::string>{"arp"}) << "nothing asked of it";
    }
    {
        SCOPED_TRACE("a stopped run");
        const ProbeCase c{"", "10.1.2.5", nullptr, "", {"Family NAS", "Synology", "DS920+"}, "", ""};
        ProbeCalls calls;
        const HostProbePlatform platform = MadeUpPlatform(c, calls);
        HostProbePlatform stopping = platform;
        const auto stop = std::make_shared<const CHandle>(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        stopping.SendARP = [&](IPAddr dest, IPAddr source, void* mac, ULONG* length) {
            const DWORD result = platform.SendARP(dest, source, mac, length);
            ::SetEvent(stop->Get());  // the user stops the run while the host answers
            return result;
        };
        const auto results = std::make_shared<CNamedSink>();
        CNamedSink& sink = *results;
        HostProbeTask task{};
        ::lstrcpynA(task.Address, c.address, sizeof(task.Address));
        task.Results = results;
        task.Local = std::make_shared<const LocalHostFacts>(local);
        task.Stop = stop;
        ProbeHost(task, stopping);
        EXPECT_EQ(sink.Named, 1) << "the row is still completed";
        EXPECT_EQ(sink.Name, "");
        EXPECT_EQ(sink.Description, kSynologyMaker);
        EXPECT_EQ(calls.order, std::vector<std::string>{"arp"});
    }
}

TEST(UpnpProbe, AFriendlyNameInUtf8IsShownInTheSystemsCodePage)
{
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the expected bytes are Windows-1252's; the code page here is " << ::GetACP();
    struct Case {
        const char* what;
        UpnpDevice device;
        std::string name, description;
    };
    const Case cases[] = {
        {"Latin letters", {"caf\xC3\xA9 tv", "Soci\xC3\xA9t\xC3\xA9", "T\xC3\xA9l\xC3\xA9 1"}, "Caf\xE9 tv",
         "Soci\xE9t\xE9 T\xE9l\xE9 1"},
        {"a letter the code page lacks", {"\xE5\x8F\xB0 TV", "", "\xE5\x8F\xB0-9"}, "? TV", "?-9"},
        {"a long name cut to the buffer", {std::string(100, 'a'), "", ""}, "A" + std::string(14, 'a'), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char name[16] = {};
        EXPECT_EQ(ApplyUpnpDevice(c.device, name, sizeof(name)), c.description);
        EXPECT_EQ(std::string(name), c.name);
    }
    char named[16] = "Nas.lan";
    EXPECT_EQ(ApplyUpnpDevice({"Family NAS", "", ""}, named, sizeof(named)), "");
    EXPECT_STREQ(named, "Nas.lan") << "a name already there stays";
}

TEST(UpnpProbe, TheDescriptionCellKeepsTheOwnTextsAndPrefersTheDeviceToTheAdapter)
{
    struct Case {
        HostRole role;
        const char* device;
        const char* shown;
    };
    const Case cases[] = {
        {HostRole::Other, "Synology DS920+", "Synology DS920+"},
        {HostRole::Other, "", kSynologyMaker},
        {HostRole::Other, nullptr, kSynologyMaker},
        {HostRole::Router, "Example Networks HG-200", "This is your Router"},
        {HostRole::OwnSystem, "Example MS-1", "This is your current system"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HostDescription(c.role, kSynologyMac, sizeof(kSynologyMac), c.device), c.shown);
    const BYTE privateMac[6] = {0x02, 0x5A, 0, 0, 0, 0x11};
    EXPECT_EQ(HostDescription(HostRole::Other, privateMac, 6, "Justin Maggard Windows Media Connect compatible"),
              "Justin Maggard Windows Media Connect compatible");
}

}  // namespace
