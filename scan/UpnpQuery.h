// Asking a run's devices what they are, by UPnP: one SSDP search to the group as the run
// starts and one to each host that answered ARP, all from one ephemeral UDP port (Windows' own
// SSDP service holds 1900); then, for a host whose answer points back at itself, its device
// description over one TCP connection with one deadline. Every answer is untrusted input.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "net/SsdpMessage.h"
#include "net/UpnpDescription.h"
#include "winlib/Thread.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct SsdpDatagram {
    uint32_t From = 0;  // host order
    uint16_t FromPort = 0;
    std::vector<uint8_t> Bytes;
};

// The UDP socket of a run's searches; tests put a made-up network behind it.
class CSsdpSocket {
public:
    virtual ~CSsdpSocket() = default;
    // `address` in host order; the group search leaves by the adapter the socket was opened for.
    virtual bool Send(uint32_t address, uint16_t port, const std::string& packet) = 0;
    // Waits up to `ms` for a datagram: 0 with it, WSAETIMEDOUT when none came, else the
    // Winsock error.
    virtual int Receive(DWORD ms, SsdpDatagram& datagram) = 0;
};

// One TCP connection for a description. Each call waits at most `ms` and answers 0, or
// WSAETIMEDOUT when the time ran out, or the Winsock error (WSAECONNREFUSED, WSAECONNRESET...).
class CHttpConnection {
public:
    virtual ~CHttpConnection() = default;
    // `address` in host order.
    virtual int Connect(uint32_t address, uint16_t port, DWORD ms) = 0;
    // Sends some of `size` bytes; `sent` says how many.
    virtual int Send(const char* data, size_t size, DWORD ms, size_t& sent) = 0;
    // Receives at most `size` bytes; `received` 0 with the answer 0: the peer closed.
    virtual int Receive(char* buffer, size_t size, DWORD ms, size_t& received) = 0;
};

struct UpnpPlatform {
    // The computer's own address (host order) on the adapter whose subnet holds `address`;
    // 0 when none does: then no group search goes out.
    std::function<uint32_t(uint32_t address)> OwnAddressFor;
    // The search socket from an ephemeral port, sending to the group out of `ownAddress`
    // (0: no group search) with TTL 2; null when it cannot be had.
    std::function<std::unique_ptr<CSsdpSocket>(uint32_t ownAddress)> OpenSearchSocket;
    // A TCP socket not yet connected; null when it cannot be had.
    std::function<std::unique_ptr<CHttpConnection>()> OpenConnection;
    std::function<DWORD()> GetTickCount;
};
UpnpPlatform SystemUpnpPlatform();

// The waits. Devices answer a search within its MX (1 s; GNOME's SSDP library waits a random
// 0 to 1 s, minidlna about 20 ms, miniupnpd 50 ms). The search's answers are taken until
// kAnswerWindowMs after the run's ARP datagrams (the group search follows them within tens of
// milliseconds), when the run's silent addresses get their last ARP look
// (ArpTiming::kLastLookMs after the same moment), so the wait costs the run no time. A fetch
// gets kFetchDeadlineMs for connect, send and read together: the virtual LAN's
// miniupnpd and minidlna served theirs in 1 to 13 ms (median), 47 ms at worst, under Wine
// beside a search of the whole /24 (tests/lan/LanUpnpTest.cpp); ten times the worst. A device
// that answers its search promptly and then trickles still ends within the run's wait for its
// silent addresses; only one that answers at the window's end can hold the run that much longer.
struct UpnpTiming {
    static constexpr DWORD kAnswerWindowMs = 1100;
    static constexpr DWORD kFetchDeadlineMs = 500;
    // How long the reader of the answers waits at a time before it looks for searches to send.
    static constexpr DWORD kReadSliceMs = 10;
};

// The most body a description may have.
constexpr size_t kMaxDescriptionBytes = 64 * 1024;

enum class FetchOutcome { Fetched, Refused, TooLarge, TimedOut, Failed, Stopped };

// GET of `url` on the host at `address` (host order) over a connection of `platform`: connect,
// send and read within kFetchDeadlineMs of the platform's clock; a 200 answer's body up to the
// peer's close. Refused: any other status (redirects too), or a malformed head. TooLarge: more
// than kMaxDescriptionBytes of body. Failed: no connection, refused or reset. Stopped: `stop`
// (null: none) was set before the connection or between reads.
FetchOutcome FetchDescription(const UpnpPlatform& platform, uint32_t address, const DescriptionUrl& url,
                              HANDLE stop, std::string& body);

// The "USER-AGENT" of the searches and fetches: "Windows/<version> UPnP/1.1 Vantrel/8.0".
const std::string& UpnpUserAgent();

// A run's UPnP searches and their answers. One reader thread, owned by this object, opens the
// search socket, sends the group search and every host's unicast search, and takes the answers
// until kAnswerWindowMs after Begin, the run's stop, or the object's end (the destructor ends
// and joins it, and the reads it started). Probes only ask for searches and for devices, and
// never wait for an answer: a device whose answer comes late is read on a thread of the
// object's own. An answer counts when it comes from an address of the run's range; the first
// one of each host whose LOCATION leads back to that host's own address is kept.
class CUpnpSearch {
public:
    // `stop`: the run's event (null: none); the object keeps a duplicate of its own.
    CUpnpSearch(UpnpPlatform platform, HANDLE stop);
    ~CUpnpSearch();
    CUpnpSearch(const CUpnpSearch&) = delete;
    CUpnpSearch& operator=(const CUpnpSearch&) = delete;

    // Once, as the run starts: `dests` (network order, as ARP's SendArpRequestsAhead takes them)
    // is the range; starts the reader, which sends the group search at once.
    void Begin(const std::vector<IPAddr>& dests);
    // A unicast search to `address` (host order), a host that answered ARP; nothing once the
    // reader has ended or the run is stopped.
    void SearchHost(uint32_t address);
    // The device at `address` (host order), read from its description and told to `onDevice`:
    // at once on the caller's thread when its answer has come, else on a thread of the
    // object's own when it comes before the window ends. Not told when no answer comes, the
    // description cannot be read, or the run stops first. Kept until then, so `onDevice` must
    // not hold this object.
    using DeviceHandler = std::function<void(const UpnpDevice& device)>;
    void DescribeDevice(uint32_t address, DeviceHandler onDevice);
    // True once no device can be told any more: the reader has ended, and so has every read
    // it started. Waits at most about `ms` for that.
    bool WaitForDescriptions(DWORD ms) const;

    // True once the reader has ended (tests wait for it).
    bool WaitForReaderEnd(DWORD ms) const;

private:
    struct Host;

    // The reader thread's body: it owns the search socket and ends by setting m_ReaderDone.
    void RunReader() noexcept;
    void ReadAnswers();
    void SendSearches(CSsdpSocket& socket);
    void TakeAnswer(const SsdpDatagram& datagram);
    // Reads the device of a host that has answered, on a thread of its own where one starts.
    void StartDescription(uint32_t address, DescriptionUrl url, DeviceHandler onDevice);
    void Describe(uint32_t address, const DescriptionUrl& url, const DeviceHandler& onDevice) const;
    Host* FindHost(uint32_t address);  // m_Lock held
    bool Stopped() const;
    bool Ending() const;

    const UpnpPlatform m_Platform;
    CHandle m_Stop;
    CHandle m_End{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};        // the destructor's
    CHandle m_ReaderDone{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};  // answers are final
    CHandle m_Thread;
    std::vector<CHandle> m_Reads;  // started by the reader alone, so final once it has ended

    mutable CCriticalSection m_Lock;
    std::vector<Host> m_Hosts;              // the range, sorted by address
    std::vector<uint32_t> m_SearchesToSend;  // unicast, host order
    bool m_Begun = false;
    bool m_ReaderEnded = false;
    DWORD m_BeganAt = 0;  // the platform's clock as Begin was called; set before the reader starts
};

// What a device's description adds to its host's row, in the system's code page: its
// friendlyName as the host's name where `name` (a buffer of `size` bytes) is still empty, cut
// to it and capitalised as any name; the result is its maker and model for the Description,
// empty where it gave neither.
std::string ApplyUpnpDevice(const UpnpDevice& device, char* name, size_t size);

// The system's UPnP calls, for one run whose waits end when `stop` is set.
std::shared_ptr<CUpnpSearch> MakeSystemUpnpSearch(HANDLE stop);
