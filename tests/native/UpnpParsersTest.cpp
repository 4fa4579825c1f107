// UPnP device identity from untrusted answers: SSDP answers, LOCATIONs, HTTP heads and device
// descriptions, as hand-made tables and a bounded run of mutated ones under the sanitizers.
// The expected texts are typed out.
#include "net/SsdpMessage.h"
#include "net/UpnpDescription.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// ---- The search and its answers ----

TEST(SsdpSearch, IsTheRootDeviceSearchWithMxAndOurUserAgent)
{
    EXPECT_EQ(SsdpSearchRequest("239.255.255.250:1900", "Windows/10.0 UPnP/1.1 Vantrel/8.0"),
              "M-SEARCH * HTTP/1.1\r\n"
              "HOST: 239.255.255.250:1900\r\n"
              "MAN: \"ssdp:discover\"\r\n"
              "MX: 1\r\n"
              "ST: upnp:rootdevice\r\n"
              "USER-AGENT: Windows/10.0 UPnP/1.1 Vantrel/8.0\r\n"
              "\r\n");
    EXPECT_EQ(SsdpSearchRequest("10.77.0.11:1900", "UA"),
              "M-SEARCH * HTTP/1.1\r\nHOST: 10.77.0.11:1900\r\nMAN: \"ssdp:discover\"\r\nMX: 1\r\n"
              "ST: upnp:rootdevice\r\nUSER-AGENT: UA\r\n\r\n");
    EXPECT_EQ(kSsdpGroup, (239u << 24) | (255u << 16) | (255u << 8) | 250u);
}

TEST(SsdpAnswer, TakesOnlyA200AndItsOneWellFormedLocation)
{
    const std::string longest = "http://10.77.0.11/" + std::string(kMaxLocationBytes - 18, 'a');
    struct Case {
        const char* what;
        std::string datagram;
        bool taken;
        std::string location;
    };
    const Case cases[] = {
        {"as minidlna answers",
         "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=1810\r\nDATE: Fri, 11 Dec 2026 10:00:00 GMT\r\nST: upnp:rootdevice\r\n"
         "USN: uuid:4d696e69-444c-164e-9d41-b827eb2d1c50::upnp:rootdevice\r\nEXT:\r\n"
         "SERVER: Debian/12 DLNADOC/1.50 UPnP/1.0 MiniDLNA/1.3.0\r\nLOCATION: http://10.77.0.11:8200/rootDesc.xml\r\n"
         "Content-Length: 0\r\n\r\n",
         true, "http://10.77.0.11:8200/rootDesc.xml"},
        {"HTTP/1.0", "HTTP/1.0 200 OK\r\nLOCATION: http://10.77.0.1:5000/rootDesc.xml\r\n\r\n", true,
         "http://10.77.0.1:5000/rootDesc.xml"},
        {"no reason phrase", "HTTP/1.1 200\r\nLOCATION: http://a/\r\n\r\n", true, "http://a/"},
        {"bare LF line ends", "HTTP/1.1 200 OK\nST: upnp:rootdevice\nLOCATION: http://10.77.0.11/d.xml\n\n", true,
         "http://10.77.0.11/d.xml"},
        {"a header name in small letters", "HTTP/1.1 200 OK\r\nlocation: http://10.77.0.11/d.xml\r\n\r\n", true,
         "http://10.77.0.11/d.xml"},
        {"a header name in mixed letters", "HTTP/1.1 200 OK\r\nLocation:http://10.77.0.11/d.xml\r\n\r\n", true,
         "http://10.77.0.11/d.xml"},
        {"spaces and tabs around the value", "HTTP/1.1 200 OK\r\nLOCATION: \t http://10.77.0.11/d.xml \t\r\n\r\n", true,
         "http://10.77.0.11/d.xml"},
        {"no blank line, the last line without its end", "HTTP/1.1 200 OK\r\nLOCATION: http://10.77.0.11/d.xml", true,
         "http://10.77.0.11/d.xml"},
        {"the longest LOCATION", "HTTP/1.1 200 OK\r\nLOCATION: " + longest + "\r\n\r\n", true, longest},
        {"no LOCATION", "HTTP/1.1 200 OK\r\nST: upnp:rootdevice\r\n\r\n", true, ""},
        {"an empty LOCATION", "HTTP/1.1 200 OK\r\nLOCATION:\r\n\r\n", true, ""},
        {"a LOCATION after the blank line", "HTTP/1.1 200 OK\r\n\r\nLOCATION: http://10.77.0.11/d.xml\r\n", true, ""},
        {"a longer header name", "HTTP/1.1 200 OK\r\nX-LOCATION: http://10.77.0.11/d.xml\r\n\r\n", true, ""},
        {"a space before the colon", "HTTP/1.1 200 OK\r\nLOCATION : http://10.77.0.11/d.xml\r\n\r\n", true, ""},
        {"a continuation line", "HTTP/1.1 200 OK\r\nST: x\r\n LOCATION: http://10.77.0.11/d.xml\r\n\r\n", true, ""},
        {"status 404", "HTTP/1.1 404 Not Found\r\nLOCATION: http://10.77.0.11/d.xml\r\n\r\n", false, ""},
        {"status 2000", "HTTP/1.1 2000 OK\r\nLOCATION: http://10.77.0.11/d.xml\r\n\r\n", false, ""},
        {"status 200 run into its reason", "HTTP/1.1 200OK\r\nLOCATION: http://10.77.0.11/d.xml\r\n\r\n", false, ""},
        {"HTTP/2", "HTTP/2 200 OK\r\nLOCATION: http://10.77.0.11/d.xml\r\n\r\n", false, ""},
        {"HTTP in small letters", "http/1.1 200 ok\r\nLOCATION: http://10.77.0.11/d.xml\r\n\r\n", false, ""},
        {"a blank line first", "\r\nHTTP/1.1 200 OK\r\nLOCATION: http://10.77.0.11/d.xml\r\n\r\n", false, ""},
        {"an announcement", "NOTIFY * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nLOCATION: http://10.77.0.11/d.xml\r\n\r\n",
         false, ""},
        {"another scanner's search", SsdpSearchRequest("239.255.255.250:1900", "x"), false, ""},
        {"not HTTP", "Hello, this is not HTTP\r\n", false, ""},
        {"binary", std::string("\x00\x01\xFF\xFEHTTP/1.1 200 OK\r\n", 20), false, ""},
        {"empty", "", false, ""},
        {"a LOCATION one byte too long", "HTTP/1.1 200 OK\r\nLOCATION: " + longest + "a\r\n\r\n", false, ""},
        {"two LOCATIONs",
         "HTTP/1.1 200 OK\r\nLOCATION: http://10.77.0.11/d.xml\r\nLocation: http://10.77.0.99/d.xml\r\n\r\n", false, ""},
        {"an escape sequence in the LOCATION", "HTTP/1.1 200 OK\r\nLOCATION: http://10.77.0.11/\x1B[2Jd.xml\r\n\r\n", false, ""},
        {"a NUL in the LOCATION", std::string("HTTP/1.1 200 OK\r\nLOCATION: http://10.77.0.11/\0d.xml\r\n\r\n", 55), false, ""},
        {"a lone CR inside the LOCATION", "HTTP/1.1 200 OK\r\nLOCATION: http://10.77.0.11/\rHost: x\r\n\r\n", false, ""},
    };
    for (const Case& c : cases) {
        // An exact-size copy, so that ASan sees any read past the end.
        const std::vector<uint8_t> exact(c.datagram.begin(), c.datagram.end());
        std::string location = "left over";
        EXPECT_EQ(ParseSsdpAnswer(exact.data(), exact.size(), location), c.taken) << c.what;
        EXPECT_EQ(location, c.location) << c.what;
    }
}

// ---- The LOCATION and the description's request ----

constexpr uint32_t kDevice = 0x0A4D000B;  // 10.77.0.11

TEST(DescriptionLocation, LeadsOnlyToTheAnsweringHostOverPlainHttp)
{
    const std::string longest = "http://10.77.0.11/" + std::string(kMaxLocationBytes - 18, 'a');
    struct Case {
        const char* what;
        std::string location;
        bool taken;
        uint16_t port;
        std::string path;
    };
    const Case cases[] = {
        {"minidlna's", "http://10.77.0.11:8200/rootDesc.xml", true, 8200, "/rootDesc.xml"},
        {"the scheme in capitals", "HTTP://10.77.0.11:5000/rootDesc.xml", true, 5000, "/rootDesc.xml"},
        {"no port", "http://10.77.0.11/desc.xml", true, 80, "/desc.xml"},
        {"no path", "http://10.77.0.11", true, 80, "/"},
        {"a port and no path", "http://10.77.0.11:49152", true, 49152, "/"},
        {"port 1", "http://10.77.0.11:1/", true, 1, "/"},
        {"port 65535", "http://10.77.0.11:65535/", true, 65535, "/"},
        {"a query in the path", "http://10.77.0.11/desc?id=1&x=%20", true, 80, "/desc?id=1&x=%20"},
        {"an at sign in the path", "http://10.77.0.11/a@10.77.0.99", true, 80, "/a@10.77.0.99"},
        {"the longest", longest, true, 80, longest.substr(17)},
        {"one byte too long", longest + "a", false, 80, ""},
        {"another host", "http://10.77.0.12:8200/rootDesc.xml", false, 80, ""},
        {"a host that is a prefix of it", "http://10.77.0.1:8200/rootDesc.xml", false, 80, ""},
        {"a host it is a prefix of", "http://10.77.0.110:8200/rootDesc.xml", false, 80, ""},
        {"a DNS name", "http://nas.local:8200/rootDesc.xml", false, 80, ""},
        {"a DNS name that starts with the address", "http://10.77.0.11.example.com/rootDesc.xml", false, 80, ""},
        {"a fifth number", "http://10.77.0.11.5/", false, 80, ""},
        {"three numbers", "http://10.77.11/", false, 80, ""},
        {"one number", "http://172818443/", false, 80, ""},
        {"in hex", "http://0x0a4d000b/", false, 80, ""},
        {"a leading zero", "http://010.77.0.11/", false, 80, ""},
        {"a number over 255", "http://10.77.0.267/", false, 80, ""},
        {"percent-encoded", "http://%31%30.77.0.11/", false, 80, ""},
        {"https", "https://10.77.0.11:8200/rootDesc.xml", false, 80, ""},
        {"ftp", "ftp://10.77.0.11/rootDesc.xml", false, 80, ""},
        {"no scheme", "10.77.0.11:8200/rootDesc.xml", false, 80, ""},
        {"scheme-relative", "//10.77.0.11/rootDesc.xml", false, 80, ""},
        {"a path only", "/rootDesc.xml", false, 80, ""},
        {"userinfo", "http://user@10.77.0.11/", false, 80, ""},
        {"the address as userinfo", "http://10.77.0.11@10.77.0.99/", false, 80, ""},
        {"address and port as userinfo", "http://10.77.0.11:80@10.77.0.99/", false, 80, ""},
        {"IPv6", "http://[fe80::1]:8200/rootDesc.xml", false, 80, ""},
        {"IPv4 in IPv6", "http://[::ffff:10.77.0.11]/", false, 80, ""},
        {"port 0", "http://10.77.0.11:0/", false, 80, ""},
        {"port 65536", "http://10.77.0.11:65536/", false, 80, ""},
        {"six digits", "http://10.77.0.11:100000/", false, 80, ""},
        {"a port with a leading zero", "http://10.77.0.11:080/", false, 80, ""},
        {"an empty port", "http://10.77.0.11:/", false, 80, ""},
        {"a sign", "http://10.77.0.11:+80/", false, 80, ""},
        {"a letter in the port", "http://10.77.0.11:8o/", false, 80, ""},
        {"two ports", "http://10.77.0.11:80:81/", false, 80, ""},
        {"a query without a path", "http://10.77.0.11?x=1", false, 80, ""},
        {"a backslash after the host", "http://10.77.0.11\\rootDesc.xml", false, 80, ""},
        {"a space in the path", "http://10.77.0.11/root Desc.xml", false, 80, ""},
        {"a space before", " http://10.77.0.11/", false, 80, ""},
        {"a tab", "http://10.77.0.11/\t", false, 80, ""},
        {"a line break and a header", "http://10.77.0.11/\r\nHost: 10.77.0.99", false, 80, ""},
        {"a NUL", std::string("http://10.77.0.11/\0x", 20), false, 80, ""},
        {"DEL", "http://10.77.0.11/\x7F", false, 80, ""},
        {"a byte past ASCII", "http://10.77.0.11/caf\xC3\xA9", false, 80, ""},
        {"empty", "", false, 80, ""},
    };
    for (const Case& c : cases) {
        DescriptionUrl url;
        url.Port = 1;
        url.Path = "left over";
        EXPECT_EQ(ParseDescriptionLocation(c.location, kDevice, url), c.taken) << c.what;
        EXPECT_EQ(url.Port, c.port) << c.what;
        EXPECT_EQ(url.Path, c.path) << c.what;
    }
}

TEST(DescriptionRequest, IsAPlainHttp10GetOfThePath)
{
    DescriptionUrl url;
    url.Port = 8200;
    url.Path = "/rootDesc.xml";
    EXPECT_EQ(DescriptionRequest(kDevice, url, "Windows/10.0 UPnP/1.1 Vantrel/8.0"),
              "GET /rootDesc.xml HTTP/1.0\r\n"
              "Host: 10.77.0.11:8200\r\n"
              "User-Agent: Windows/10.0 UPnP/1.1 Vantrel/8.0\r\n"
              "Connection: close\r\n"
              "Accept: text/xml, application/xml\r\n"
              "\r\n");
    url.Port = 80;
    url.Path = "/";
    EXPECT_EQ(DescriptionRequest(0xC0A801FE, url, "UA"),
              "GET / HTTP/1.0\r\nHost: 192.168.1.254\r\nUser-Agent: UA\r\nConnection: close\r\n"
              "Accept: text/xml, application/xml\r\n\r\n")
        << "no port where it is 80";
}

// ---- The description's response ----

TEST(HttpResponse, AcceptsOnlyAComplete200Head)
{
    const std::string status = "HTTP/1.1 200 OK\r\n";  // 17 bytes
    struct Case {
        const char* what;
        std::string response;
        HttpHead head;
        size_t bodyOffset;
    };
    const Case cases[] = {
        {"a 200 with a body", "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 5\r\n\r\n<r/>x", HttpHead::Accepted, 62},
        {"HTTP/1.0 and bare LFs", "HTTP/1.0 200 OK\nServer: x\n\n<root/>", HttpHead::Accepted, 27},
        {"a CRLF head ended by a bare LF", "HTTP/1.1 200 OK\r\nA: b\n\r\nbody", HttpHead::Accepted, 24},
        {"no reason phrase, no headers", "HTTP/1.1 200\r\n\r\n", HttpHead::Accepted, 16},
        {"no body yet", "HTTP/1.1 200 OK\r\n\r\n", HttpHead::Accepted, 19},
        {"the identity transfer coding", "HTTP/1.1 200 OK\r\ntransfer-encoding: identity\r\n\r\nx", HttpHead::Accepted, 48},
        {"a head of exactly the bound", status + "X: " + std::string(kMaxHttpHeadBytes - 24, 'a') + "\r\n\r\n<root/>",
         HttpHead::Accepted, kMaxHttpHeadBytes},
        {"a redirect", "HTTP/1.1 301 Moved Permanently\r\nLocation: http://10.77.0.99/rootDesc.xml\r\n\r\n", HttpHead::Refused, 0},
        {"a temporary redirect", "HTTP/1.0 302 Found\r\nLocation: http://nas.local/\r\n\r\n", HttpHead::Refused, 0},
        {"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", HttpHead::Refused, 0},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\n", HttpHead::Refused, 0},
        {"a chunked body", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a\r\n", HttpHead::Refused, 0},
        {"HTTP/0.9 style, the body at once", "<?xml version=\"1.0\"?><root/>", HttpHead::Refused, 0},
        {"HTTP/0.9 named", "HTTP/0.9 200 OK\r\n\r\n", HttpHead::Refused, 0},
        {"another protocol", "ICY 200 OK\r\n\r\n", HttpHead::Refused, 0},
        {"a space first", " HTTP/1.1 200 OK\r\n\r\n", HttpHead::Refused, 0},
        {"status 2000", "HTTP/1.1 2000 OK\r\n\r\n", HttpHead::Refused, 0},
        {"garbage", std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xFC\x03\x03", 11), HttpHead::Refused, 0},
        {"a head one byte over the bound", status + "X: " + std::string(kMaxHttpHeadBytes - 23, 'a') + "\r\n\r\n",
         HttpHead::Refused, 0},
        {"a status line longer than the bound", "HTTP/1.1 200 " + std::string(kMaxHttpHeadBytes, 'O'), HttpHead::Refused, 0},
        {"a head cut in its headers", "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n", HttpHead::Incomplete, 0},
        {"a head cut in a header", "HTTP/1.1 200 OK\r\nContent-Ty", HttpHead::Incomplete, 0},
        {"a head cut in the status", "HTTP/1.1 20", HttpHead::Incomplete, 0},
        {"a head cut between CR and LF", "HTTP/1.1 200 OK\r\n\r", HttpHead::Incomplete, 0},
        {"just below the bound, not ended", status + "X: " + std::string(kMaxHttpHeadBytes - 21, 'a'), HttpHead::Incomplete, 0},
        {"nothing yet", "", HttpHead::Incomplete, 0},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> exact(c.response.begin(), c.response.end());
        size_t bodyOffset = 99;
        EXPECT_EQ(ParseHttpResponse(exact.data(), exact.size(), bodyOffset), c.head) << c.what;
        EXPECT_EQ(bodyOffset, c.bodyOffset) << c.what;
    }
}

// As the bytes arrive: read on until the blank line, refuse a 404 at its first digit.
TEST(HttpResponse, DecidesAsSoonAsTheBytesSoFarAllow)
{
    const std::string ok = "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n<root/>";
    const size_t headEnd = 30;
    for (size_t size = 0; size <= ok.size(); ++size) {
        const std::vector<uint8_t> exact(ok.begin(), ok.begin() + static_cast<std::ptrdiff_t>(size));
        size_t bodyOffset = 0;
        const HttpHead head = ParseHttpResponse(exact.data(), exact.size(), bodyOffset);
        EXPECT_EQ(head, size < headEnd ? HttpHead::Incomplete : HttpHead::Accepted) << size << " bytes";
        EXPECT_EQ(bodyOffset, size < headEnd ? 0 : headEnd) << size << " bytes";
    }
    const std::string missing = "HTTP/1.1 404 Not Found\r\n\r\n";
    for (size_t size = 0; size <= missing.size(); ++size) {
        const std::vector<uint8_t> exact(missing.begin(), missing.begin() + static_cast<std::ptrdiff_t>(size));
        size_t bodyOffset = 0;
        EXPECT_EQ(ParseHttpResponse(exact.data(), exact.size(), bodyOffset), size < 10 ? HttpHead::Incomplete : HttpHead::Refused)
            << size << " bytes";
    }
}

// ---- The description ----

// A description as the daemons write it, with `device` the root device's inside.
std::string Description(const std::string& device)
{
    return "<?xml version=\"1.0\"?>\r\n<root xmlns=\"urn:schemas-upnp-org:device-1-0\">"
           "<specVersion><major>1</major><minor>0</minor></specVersion><device>" + device + "</device></root>";
}

std::string Fields(const std::string& name, const std::string& maker, const std::string& model)
{
    return "<friendlyName>" + name + "</friendlyName><manufacturer>" + maker + "</manufacturer><modelName>" + model +
           "</modelName>";
}

// minidlna 1.3.0's description, its icons and services shortened.
const std::string kMiniDlna =
    "<?xml version=\"1.0\"?>\r\n"
    "<root xmlns=\"urn:schemas-upnp-org:device-1-0\"><specVersion><major>1</major><minor>0</minor></specVersion>"
    "<device><deviceType>urn:schemas-upnp-org:device:MediaServer:1</deviceType><friendlyName>Living Room TV</friendlyName>"
    "<manufacturer>Justin Maggard</manufacturer><modelDescription>MiniDLNA on Linux</modelDescription>"
    "<modelName>Windows Media Connect compatible (MiniDLNA)</modelName><modelNumber>1.3.0</modelNumber>"
    "<serialNumber>00000000</serialNumber><UDN>uuid:4d696e69-444c-164e-9d41-b827eb2d1c50</UDN>"
    "<dlna:X_DLNADOC xmlns:dlna=\"urn:schemas-dlna-org:device-1-0\">DMS-1.50</dlna:X_DLNADOC>"
    "<presentationURL>/</presentationURL><iconList><icon><mimetype>image/png</mimetype><width>48</width>"
    "<height>48</height><depth>24</depth><url>/icons/sm.png</url></icon></iconList><serviceList><service>"
    "<serviceType>urn:schemas-upnp-org:service:ContentDirectory:1</serviceType>"
    "<serviceId>urn:upnp-org:serviceId:ContentDirectory</serviceId><controlURL>/ctl/ContentDir</controlURL>"
    "<eventSubURL>/evt/ContentDir</eventSubURL><SCPDURL>/ContentDir.xml</SCPDURL></service></serviceList>"
    "</device></root>";

// miniupnpd 2.3's gateway: the root's fields first, then two levels of embedded devices with
// their own names.
const std::string kMiniUpnpd =
    "<?xml version=\"1.0\"?>\n"
    "<root xmlns=\"urn:schemas-upnp-org:device-1-0\" configId=\"1337\">\n"
    "<specVersion><major>1</major><minor>1</minor></specVersion>\n"
    "<device>\n"
    "  <deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType>\n"
    "  <friendlyName>Home Gateway</friendlyName>\n"
    "  <manufacturer>Example Networks</manufacturer>\n"
    "  <manufacturerURL>http://www.example.com/</manufacturerURL>\n"
    "  <modelDescription>Example router</modelDescription>\n"
    "  <modelName>HG-200</modelName>\n"
    "  <modelNumber>20260101</modelNumber>\n"
    "  <UDN>uuid:2a4b6c8d-1234-4abc-9def-0123456789ab</UDN>\n"
    "  <serviceList><service><serviceType>urn:schemas-upnp-org:service:Layer3Forwarding:1</serviceType>"
    "<serviceId>urn:upnp-org:serviceId:L3Forwarding1</serviceId><SCPDURL>/L3F.xml</SCPDURL>"
    "<controlURL>/ctl/L3F</controlURL><eventSubURL>/evt/L3F</eventSubURL></service></serviceList>\n"
    "  <deviceList><device>\n"
    "    <deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType>\n"
    "    <friendlyName>WANDevice</friendlyName><manufacturer>MiniUPnP</manufacturer>\n"
    "    <modelName>WAN Device</modelName>\n"
    "    <deviceList><device>\n"
    "      <deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>\n"
    "      <friendlyName>WANConnectionDevice</friendlyName><manufacturer>MiniUPnP</manufacturer>\n"
    "      <modelName>MiniUPnPd</modelName>\n"
    "    </device></deviceList>\n"
    "  </device></deviceList>\n"
    "  <presentationURL>http://10.77.0.1/</presentationURL>\n"
    "</device>\n"
    "</root>\n";

std::string Nested(int levels)
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<a>";
    for (int i = 0; i < levels; ++i)
        text += "</a>";
    return text;
}

std::string Repeat(const std::string& text, size_t count)
{
    std::string all;
    for (size_t i = 0; i < count; ++i)
        all += text;
    return all;
}

struct DescriptionCase {
    const char* what;
    std::string xml;
    bool found;
    std::string name;
    std::string maker;
    std::string model;
};

void Check(const DescriptionCase& c)
{
    // An exact-size copy, so that ASan sees any read past the end.
    const std::vector<char> exact(c.xml.begin(), c.xml.end());
    UpnpDevice device;
    device.FriendlyName = device.Manufacturer = device.ModelName = "left over";
    EXPECT_EQ(ReadUpnpDescription(exact.data(), exact.size(), device), c.found) << c.what;
    EXPECT_EQ(device.FriendlyName, c.name) << c.what;
    EXPECT_EQ(device.Manufacturer, c.maker) << c.what;
    EXPECT_EQ(device.ModelName, c.model) << c.what;
}

TEST(UpnpDescription, ReadsTheRootDevicesOwnFields)
{
    const std::string embedded = "<deviceList><device>" + Fields("Inner", "Inner Co", "IN-1") + "</device></deviceList>";
    const DescriptionCase cases[] = {
        {"minidlna", kMiniDlna, true, "Living Room TV", "Justin Maggard", "Windows Media Connect compatible"},
        {"miniupnpd", kMiniUpnpd, true, "Home Gateway", "Example Networks", "HG-200"},
        {"an embedded device before the root's fields", Description(embedded + Fields("TV", "Acme", "T1")), true, "TV", "Acme", "T1"},
        {"an embedded device between them",
         Description("<friendlyName>TV</friendlyName>" + embedded + "<manufacturer>Acme</manufacturer><modelName>T1</modelName>"),
         true, "TV", "Acme", "T1"},
        {"only embedded devices have fields", Description("<deviceType>x</deviceType>" + embedded), true, "", "", ""},
        {"fields directly in root",
         "<root>" + Fields("Root", "R", "R1") + "<device><friendlyName>TV</friendlyName></device></root>", true, "TV", "", ""},
        {"a second device in root", "<root><device><friendlyName>TV</friendlyName></device><device>" +
                                        Fields("Other", "O", "O1") + "</device></root>",
         true, "TV", "", ""},
        {"a field twice", Description("<friendlyName>First</friendlyName><friendlyName>Second</friendlyName>"), true, "First", "", ""},
        {"missing fields", Description("<friendlyName>TV</friendlyName>"), true, "TV", "", ""},
        {"empty fields", Description("<friendlyName/><manufacturer></manufacturer><modelName>  </modelName>"), true, "", "", ""},
        {"no fields", Description(""), true, "", "", ""},
        {"namespace prefixes",
         "<u:root xmlns:u=\"urn:schemas-upnp-org:device-1-0\"><u:device><u:friendlyName>NS TV</u:friendlyName>"
         "<x:manufacturer>Acme</x:manufacturer><modelName>T1</modelName></u:device></u:root>",
         true, "NS TV", "Acme", "T1"},
        {"attributes, a '>' and an entity in their values",
         Description("<friendlyName lang=\"en\" note='a>b' x = \"&amp;\">TV</friendlyName>"), true, "TV", "", ""},
        {"a byte order mark, comments and instructions around the root",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- made by hand -->\n<?pi x?>" +
             Description("<friendlyName>TV</friendlyName>") + "\n<!-- end -->\n",
         true, "TV", "", ""},
        {"white space in end tags", Description("<friendlyName>TV</friendlyName \n>"), true, "TV", "", ""},
        {"the rest after </root> is not read", Description("<friendlyName>TV</friendlyName>") + "<!DOCTYPE x><bad", true, "TV", "", ""},
        {"a device deeper than in root", "<root><x><device><friendlyName>TV</friendlyName></device></x></root>", false, "", "", ""},
        {"no device", "<root><specVersion><major>1</major></specVersion></root>", false, "", "", ""},
        {"an empty device", "<root><device/></root>", true, "", "", ""},
        {"another document element", "<scpd><device><friendlyName>TV</friendlyName></device></scpd>", false, "", "", ""},
        {"an empty root", "<root/>", false, "", "", ""},
        {"an empty root, then another", "<root/><root><device><friendlyName>TV</friendlyName></device></root>", false, "", "", ""},
        {"text before the root", "HTTP/1.1 200 OK\r\n\r\n" + Description("<friendlyName>TV</friendlyName>"), false, "", "", ""},
        {"empty", "", false, "", "", ""},
    };
    for (const DescriptionCase& c : cases)
        Check(c);
}

TEST(UpnpDescription, RefusesDeclarationsAndBrokenStructure)
{
    const std::string fields = Fields("TV", "Acme", "T1");
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE root [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;\">"
        "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;\">]>";
    const DescriptionCase cases[] = {
        {"nested entities", laughs + Description("<friendlyName>&lol3;</friendlyName>"), false, "", "", ""},
        {"a plain DOCTYPE", "<!DOCTYPE root>" + Description(fields), false, "", "", ""},
        {"an external entity",
         "<!DOCTYPE root [<!ENTITY x SYSTEM \"http://10.77.0.99/x\">]>" + Description("<friendlyName>&x;</friendlyName>"),
         false, "", "", ""},
        {"an entity declared inside the document", Description("<!ENTITY x \"y\">" + fields), false, "", "", ""},
        {"a DOCTYPE in small letters", "<!doctype root>" + Description(fields), false, "", "", ""},
        {"an end tag that does not match", Description("<friendlyName>TV</friendlyname>"), false, "", "", ""},
        {"crossed elements", Description("<friendlyName><b>TV</friendlyName></b>"), false, "", "", ""},
        {"another prefix in the end tag", "<u:root><u:device>" + fields + "</device></u:root>", false, "", "", ""},
        {"an end tag too many", Description(fields + "</x>"), false, "", "", ""},
        {"an end tag first", "</root>" + Description(fields), false, "", "", ""},
        {"no end tags", "<root><device>" + fields, false, "", "", ""},
        {"32 elements deep", Description(fields + Nested(30)), true, "TV", "Acme", "T1"},
        {"33 elements deep", Description(fields + Nested(31)), false, "", "", ""},
        {"100000 elements deep", Description(fields + Nested(100000)), false, "", "", ""},
        {"an attribute without quotes", Description("<friendlyName lang=en>TV</friendlyName>"), false, "", "", ""},
        {"an attribute without a value", Description("<friendlyName hidden>TV</friendlyName>"), false, "", "", ""},
        {"a '<' in an attribute", Description("<friendlyName a=\"<b>\">TV</friendlyName>"), false, "", "", ""},
        {"an attribute run into the name", Description("<friendlyName\"x\">TV</friendlyName>"), false, "", "", ""},
        {"a tag that is not one", Description("<friendlyName>TV</friendlyName>< device>"), false, "", "", ""},
        {"a tag name starting with a digit", Description("<1x/>" + fields), false, "", "", ""},
        {"a name too long", Description("<" + std::string(200, 'x') + "/>" + fields), false, "", "", ""},
        {"a comment never closed", Description(fields + "<!-- and then"), false, "", "", ""},
        {"a CDATA section never closed", Description("<friendlyName><![CDATA[TV</friendlyName>"), false, "", "", ""},
        {"an instruction never closed", "<?xml version=\"1.0\"<root><device>" + fields + "</device></root>", false, "", "", ""},
        {"CDATA outside the root", "<![CDATA[x]]>" + Description(fields), false, "", "", ""},
        {"a tag cut in its attributes", "<root><device><friendlyName a=\"x", false, "", "", ""},
    };
    for (const DescriptionCase& c : cases)
        Check(c);
}

TEST(UpnpDescription, ATruncatedDocumentIsRefusedWhereverItEnds)
{
    const std::string end = "</root>";
    const size_t whole = kMiniUpnpd.find(end) + end.size();
    for (size_t size = 0; size < kMiniUpnpd.size(); ++size) {
        const std::vector<char> exact(kMiniUpnpd.begin(), kMiniUpnpd.begin() + static_cast<std::ptrdiff_t>(size));
        UpnpDevice device;
        EXPECT_EQ(ReadUpnpDescription(exact.data(), exact.size(), device), size >= whole) << size << " bytes";
        if (size < whole) {
            EXPECT_EQ(device.FriendlyName, "") << size << " bytes";
            EXPECT_EQ(device.ModelName, "") << size << " bytes";
        }
    }
}

TEST(UpnpDescription, DecodesReferencesAndCdataAsText)
{
    const auto name = [](const std::string& value) { return Description("<friendlyName>" + value + "</friendlyName>"); };
    const DescriptionCase cases[] = {
        {"the five entities", name("Tom &amp; Jerry&apos;s &quot;TV&quot;"), true, "Tom & Jerry's \"TV\"", "", ""},
        {"markup by entities stays text", name("&lt;b&gt;TV&lt;/b&gt;"), true, "<b>TV</b>", "", ""},
        {"a decimal reference", name("Caf&#233;"), true, "Caf\xC3\xA9", "", ""},
        {"hex references", name("&#x4E2D;&#x6587; &#x1F4FA;"), true, "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x93\xBA", "", ""},
        {"hex digits in capitals, leading zeros", name("&#x004a;&#x004A;&#0065;"), true, "JJA", "", ""},
        {"the highest character", name("&#x10FFFF;"), true, "\xF4\x8F\xBF\xBF", "", ""},
        {"a tab by reference is a space", name("A&#9;&#10;B"), true, "A B", "", ""},
        {"CDATA", name("<![CDATA[Tom & <Jerry>]]>"), true, "Tom & <Jerry>", "", ""},
        {"no references in CDATA", name("<![CDATA[&amp;]]>"), true, "&amp;", "", ""},
        {"text and CDATA together", name("A <![CDATA[<B>]]> C"), true, "A <B> C", "", ""},
        {"a comment inside", name("Living<!-- hidden -->Room"), true, "LivingRoom", "", ""},
        {"white space folded and trimmed", name("\r\n   Living \t\r\n Room  \n"), true, "Living Room", "", ""},
        {"an unknown entity", name("A&nbsp;B"), true, "", "", ""},
        {"an unknown entity spoils only its field",
         Description("<friendlyName>&copy;</friendlyName><manufacturer>Acme</manufacturer>"), true, "", "Acme", ""},
        {"an ampersand alone", name("Tom & Jerry"), true, "", "", ""},
        {"a reference without its ';'", name("Tom &amp Jerry"), true, "", "", ""},
        {"a reference to 0", name("A&#0;"), true, "", "", ""},
        {"a reference to a surrogate", name("A&#xD800;"), true, "", "", ""},
        {"a reference past U+10FFFF", name("A&#x110000;"), true, "", "", ""},
        {"a reference far past it", name("A&#99999999;"), true, "", "", ""},
        {"a reference to a control", name("A&#1;"), true, "", "", ""},
        {"a reference to ESC", name("&#x1b;[2J"), true, "", "", ""},
        {"a reference to DEL", name("A&#127;"), true, "", "", ""},
        {"a reference to a C1 control", name("A&#x85;"), true, "", "", ""},
        {"no digits", name("A&#;"), true, "", "", ""},
        {"no hex digits", name("A&#x;"), true, "", "", ""},
        {"a capital X", name("A&#X41;"), true, "", "", ""},
        {"a letter in a decimal reference", name("A&#6a;"), true, "", "", ""},
        {"too long a reference", name("A&#x00000000041;"), true, "", "", ""},
    };
    for (const DescriptionCase& c : cases)
        Check(c);
}

TEST(UpnpDescription, KeepsValuesCleanAndShort)
{
    const auto name = [](const std::string& value) { return Description("<friendlyName>" + value + "</friendlyName>"); };
    const auto model = [](const std::string& value) { return Description("<modelName>" + value + "</modelName>"); };
    const DescriptionCase cases[] = {
        {"UTF-8 kept", name("K\xC3\xBC" "che \xE4\xB8\xAD"), true, "K\xC3\xBC" "che \xE4\xB8\xAD", "", ""},
        {"Latin-1", name("Caf\xE9 cr\xE8me"), true, "Caf? cr?me", "", ""},
        {"a sequence cut by the end", name("Ab\xC3"), true, "Ab?", "", ""},
        {"a sequence cut by a letter", name("\xE4\xB8X"), true, "??X", "", ""},
        {"an overlong slash", name("a\xC0\xAF" "b"), true, "a??b", "", ""},
        {"an overlong three-byte form", name("\xE0\x80\xAF"), true, "???", "", ""},
        {"a surrogate in UTF-8", name("\xED\xA0\x80"), true, "???", "", ""},
        {"past U+10FFFF", name("\xF4\x90\x80\x80"), true, "????", "", ""},
        {"bytes that start nothing", name("\xFF\xFE\x80"), true, "???", "", ""},
        {"an escape sequence", name("\x1B[31mRed"), true, "", "", ""},
        {"a control byte", name("Living\x01Room"), true, "", "", ""},
        {"a NUL", name(std::string("TV\0x", 4)), true, "", "", ""},
        {"DEL", name("TV\x7F"), true, "", "", ""},
        {"a C1 control in UTF-8", name("A\xC2\x85" "B"), true, "", "", ""},
        {"a control in CDATA", name("<![CDATA[A\x07]]>"), true, "", "", ""},
        {"a control past the cut", name(std::string(100, 'A') + "\x01"), true, "", "", ""},
        {"a control spoils only its field", Description("<friendlyName>\x1B</friendlyName><modelName>T1</modelName>"), true,
         "", "", "T1"},
        {"an element inside the value", Description("<friendlyName>My <b>TV</b></friendlyName><manufacturer>Acme</manufacturer>"),
         true, "", "Acme", ""},
        {"an empty element inside the value", name("My<br/>TV"), true, "", "", ""},
        {"a long name cut to 64", name(std::string(100, 'N')), true, std::string(64, 'N'), "", ""},
        {"a name of 64", name(std::string(64, 'N')), true, std::string(64, 'N'), "", ""},
        {"a long maker cut to 64", Description("<manufacturer>" + std::string(65, 'M') + "</manufacturer>"), true, "",
         std::string(64, 'M'), ""},
        {"a long model cut to 32", model(std::string(40, 'X')), true, "", "", std::string(32, 'X')},
        {"cut at a character, not a byte", name(Repeat("\xC3\xA9", 70)), true, Repeat("\xC3\xA9", 64), "", ""},
        {"four-byte characters", model(Repeat("\xF0\x9F\x93\xBA", 33)), true, "", "", Repeat("\xF0\x9F\x93\xBA", 32)},
        {"bad bytes count as characters", model(std::string(40, '\xE9')), true, "", "", std::string(32, '?')},
        {"a cut after a space is trimmed", model(std::string(31, 'X') + " YZ"), true, "", "", std::string(31, 'X')},
        {"leading white space does not count", model(std::string(50, ' ') + std::string(32, 'X')), true, "", "",
         std::string(32, 'X')},
        {"folded white space counts once", model("A" + std::string(50, ' ') + "B"), true, "", "", "A B"},
        {"thousands of characters", name(std::string(100000, 'x')), true, std::string(64, 'x'), "", ""},
    };
    for (const DescriptionCase& c : cases)
        Check(c);
}

TEST(UpnpDescription, TheDescriptionCellNamesMakerAndModelOnce)
{
    struct Case {
        std::string maker;
        std::string model;
        std::string shown;
    };
    const Case cases[] = {
        {"Synology", "Synology DS920+", "Synology DS920+"},
        {"Synology Inc.", "Synology DS920+", "Synology DS920+"},
        {"SYNOLOGY", "synology ds920+", "synology ds920+"},
        {"Acme, Inc.", "ACME-R7", "ACME-R7"},
        {"Acme", "Acme", "Acme"},
        {"Example Networks", "HG-200", "Example Networks HG-200"},
        {"Justin Maggard", "Windows Media Connect compatible", "Justin Maggard Windows Media Connect compatible"},
        {"Sony", "Sonya 5", "Sony Sonya 5"},
        {"Acme Labs", "Acmeplex", "Acme Labs Acmeplex"},
        {"Z\xC3\xBCrich AG", "Z\xC3\xBCrich Box", "Z\xC3\xBCrich Box"},
        {"Acme", "", "Acme"},
        {"", "T1", "T1"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        UpnpDevice device;
        device.FriendlyName = "ignored";
        device.Manufacturer = c.maker;
        device.ModelName = c.model;
        EXPECT_EQ(UpnpDeviceDescription(device), c.shown) << c.maker << " / " << c.model;
    }
}

// ---- Mutated input ----

// Valid UTF-8 without controls (C0, DEL, C1), at most `maxChars` characters. Written apart
// from the reader's own decoder.
bool IsCleanText(const std::string& text, size_t maxChars)
{
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++chars) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        uint32_t c = length == 1 ? lead : lead & (0xFFu >> (length + 1));
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = c << 6 | (next & 0x3Fu);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return false;
        i += length;
    }
    return chars <= maxChars && (text.empty() || (text.front() != ' ' && text.back() != ' '));
}

std::string Mutate(std::string text, std::mt19937& random)
{
    static const char* const kPieces[] = {"<", ">", "/>", "</", "&", ";", "&#x", "&amp;", "<![CDATA[", "]]>", "<!--", "-->",
                                          "<!DOCTYPE x>", "<device>", "</device>", "<deviceList>", "\"", "\xC3", "\r\n",
                                          "\n\n", ":", "LOCATION: ", "http://10.77.0.11:", "/", "@"};
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
        const size_t at = random() % text.size();
        switch (random() % 6) {
        case 0: text[at] = static_cast<char>(random()); break;
        case 1: text[at] = static_cast<char>(text[at] ^ (1 << (random() % 8))); break;
        case 2: text.resize(at); break;
        case 3: text.insert(at, kPieces[random() % (sizeof(kPieces) / sizeof(kPieces[0]))]); break;
        case 4: text.erase(at, 1 + random() % 16); break;
        default: text.insert(at, text.substr(random() % text.size(), random() % 64)); break;
        }
    }
    return text;
}

// Nothing may read outside its bytes (the sanitizers stop the test), and what comes out is
// clean and within its bounds.
TEST(UpnpParsers, MutatedInputGivesCleanBoundedResultsOrNone)
{
    const std::string descriptions[] = {
        kMiniDlna,
        kMiniUpnpd,
        Description(Fields("Tom &amp; &#x4E2D; <![CDATA[<b>]]>", "Caf\xE9", "  A\tB  ") + "<!-- c --><x a='1'/>"),
    };
    const std::string answers[] = {
        "HTTP/1.1 200 OK\r\nST: upnp:rootdevice\r\nLOCATION: http://10.77.0.11:8200/rootDesc.xml\r\n\r\n",
        "HTTP/1.0 200 OK\nlocation: HTTP://10.77.0.11/d.xml\n\n",
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: identity\r\n\r\n<root/>",
    };
    std::mt19937 random(34);
    for (int round = 0; round < 40000; ++round) {
        const std::string xml = Mutate(descriptions[round % 3], random);
        const std::vector<char> exactXml(xml.begin(), xml.end());
        UpnpDevice device;
        const bool found = ReadUpnpDescription(exactXml.data(), exactXml.size(), device);
        EXPECT_TRUE(found || (device.FriendlyName.empty() && device.Manufacturer.empty() && device.ModelName.empty()))
            << "round " << round;
        EXPECT_TRUE(IsCleanText(device.FriendlyName, kMaxFriendlyNameChars)) << "round " << round;
        EXPECT_TRUE(IsCleanText(device.Manufacturer, kMaxManufacturerChars)) << "round " << round;
        EXPECT_TRUE(IsCleanText(device.ModelName, kMaxModelNameChars)) << "round " << round;
        EXPECT_TRUE(IsCleanText(UpnpDeviceDescription(device), kMaxManufacturerChars + 1 + kMaxModelNameChars))
            << "round " << round;

        const std::string answer = Mutate(answers[round % 3], random);
        const std::vector<uint8_t> exact(answer.begin(), answer.end());
        std::string location;
        if (ParseSsdpAnswer(exact.data(), exact.size(), location)) {
            EXPECT_LE(location.size(), kMaxLocationBytes) << "round " << round;
            EXPECT_EQ(location.find_first_of(std::string("\0\t\r\n\x1B\x7F", 6)), std::string::npos) << "round " << round;
        } else {
            EXPECT_EQ(location, "") << "round " << round;
        }
        DescriptionUrl url;
        if (ParseDescriptionLocation(location, kDevice, url)) {
            EXPECT_NE(url.Port, 0) << "round " << round;
            EXPECT_EQ(url.Path.front(), '/') << "round " << round;
            EXPECT_EQ(url.Path.find_first_of(" \r\n"), std::string::npos) << "round " << round;
        }
        size_t bodyOffset = 0;
        if (ParseHttpResponse(exact.data(), exact.size(), bodyOffset) == HttpHead::Accepted) {
            EXPECT_LE(bodyOffset, exact.size()) << "round " << round;
            EXPECT_LE(bodyOffset, kMaxHttpHeadBytes) << "round " << round;
            EXPECT_GE(bodyOffset, 14u) << "round " << round;  // "HTTP/1.1 200\n\n" at least
        }
    }
}

}  // namespace
