// UPnP discovery over SSDP (UDP 1900) and the HTTP fetch of a device's description: the texts
// we send and the checks of what comes back. Plain bytes in, plain bytes out: every answer is
// untrusted input, and a LOCATION may only lead back to the host that answered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint16_t kSsdpPort = 1900;
constexpr uint32_t kSsdpGroup = 0xEFFFFFFA;  // 239.255.255.250

// The longest LOCATION taken from an answer, and so the longest description address.
constexpr size_t kMaxLocationBytes = 1024;
// The status line and headers of a description's response must end within this many bytes.
constexpr size_t kMaxHttpHeadBytes = 8192;

// M-SEARCH for root devices with MX 1, CRLF line ends and the blank line at the end.
// `hostField` is "239.255.255.250:1900" for the group, "<address>:1900" for one host;
// both arguments are our own single-line texts.
std::string SsdpSearchRequest(const std::string& hostField, const std::string& userAgent);

// One answer datagram. True only for an HTTP/1.x 200 status line; `location` gets the LOCATION
// header's value, trimmed, or stays empty where there is none. Header names are compared
// without letter case; lines end in CRLF or a bare LF. False as well for a LOCATION longer
// than kMaxLocationBytes, one with control bytes, or more than one LOCATION.
bool ParseSsdpAnswer(const uint8_t* data, size_t size, std::string& location);

struct DescriptionUrl {
    uint16_t Port = 80;
    std::string Path;  // starts with '/', printable ASCII only
};

// Accepts only "http://" (any letter case), the dotted IPv4 literal of `hostAddress` (host
// order; no leading zeros), an optional ":port" (1 to 65535, digits only) and a path that
// starts with '/' ("/" where there is none), all of it at most kMaxLocationBytes of printable
// ASCII. Anything else, such as another host, a DNS name, IPv6, userinfo, https, a space or a
// control byte, gives false and leaves `url` as DescriptionUrl().
bool ParseDescriptionLocation(const std::string& location, uint32_t hostAddress, DescriptionUrl& url);

// "GET <path> HTTP/1.0" with Host (the port only where it is not 80), User-Agent,
// Connection: close and Accept headers, CRLF line ends and the blank line at the end.
// `url` must come from ParseDescriptionLocation.
std::string DescriptionRequest(uint32_t hostAddress, const DescriptionUrl& url, const std::string& userAgent);

enum class HttpHead {
    Incomplete,  // no end of the header block yet, within kMaxHttpHeadBytes: read on
    Accepted,    // status 200, the header block complete: the body starts at bodyOffset
    Refused,     // any other status (redirects too), not HTTP/1.x, a transfer coding, or too long a head
};

// The bytes of a response received so far (or all of them). Decides as early as it can: a
// status line that is not HTTP/1.x 200 is refused before its headers have all arrived.
HttpHead ParseHttpResponse(const uint8_t* data, size_t size, size_t& bodyOffset);
