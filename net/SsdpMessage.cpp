#include "net/SsdpMessage.h"

#include <algorithm>
#include <cstring>

namespace {

const char kLocationField[] = "LOCATION";
const char kTransferCodingField[] = "Transfer-Encoding";

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameTextIgnoringCase(const char* text, size_t size, const char* other)
{
    if (size != std::strlen(other))
        return false;
    for (size_t i = 0; i < size; ++i) {
        if (LowerAscii(text[i]) != LowerAscii(other[i]))
            return false;
    }
    return true;
}

bool HasControlBytes(const char* text, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

struct Line {
    const char* Text = nullptr;
    size_t Size = 0;
    bool Ended = false;  // its LF was there; otherwise the bytes ran out first
};

// The lines of a header block, each without its CR LF or bare LF.
class CLineCursor {
public:
    CLineCursor(const uint8_t* data, size_t size) : m_Data(reinterpret_cast<const char*>(data)), m_Size(data ? size : 0) {}

    size_t Offset() const { return m_Offset; }

    bool Next(Line& line)
    {
        if (m_Offset >= m_Size)
            return false;
        const char* start = m_Data + m_Offset;
        const size_t left = m_Size - m_Offset;
        const auto* end = static_cast<const char*>(std::memchr(start, '\n', left));
        line.Text = start;
        line.Ended = end != nullptr;
        line.Size = end ? static_cast<size_t>(end - start) : left;
        m_Offset += line.Ended ? line.Size + 1 : line.Size;
        if (line.Ended && line.Size > 0 && start[line.Size - 1] == '\r')
            --line.Size;
        return true;
    }

private:
    const char* m_Data;
    size_t m_Size;
    size_t m_Offset = 0;
};

// "HTTP/1.x 200", then a space and the reason or the line's end. Refused as soon as the bytes
// so far cannot be that; Incomplete while they still can and the line has not ended.
HttpHead CheckStatusLine(const Line& line)
{
    static const char kPattern[] = "HTTP/1.# 200";  // '#': any digit
    const size_t patternSize = sizeof(kPattern) - 1;
    for (size_t i = 0; i < patternSize; ++i) {
        if (i == line.Size)
            return line.Ended ? HttpHead::Refused : HttpHead::Incomplete;
        const char c = line.Text[i];
        if (kPattern[i] == '#' ? !IsDigit(c) : c != kPattern[i])
            return HttpHead::Refused;
    }
    if (line.Size > patternSize && line.Text[patternSize] != ' ')
        return HttpHead::Refused;
    return line.Ended ? HttpHead::Accepted : HttpHead::Incomplete;
}

struct HeaderField {
    const char* Name;
    size_t NameSize;
    const char* Value;
    size_t ValueSize;
};

// "Name: value" with the value's spaces and tabs around it removed. A line without a colon, or
// one that starts with white space (an old-style continuation), is no field.
bool SplitHeader(const Line& line, HeaderField& field)
{
    const auto* colon = static_cast<const char*>(std::memchr(line.Text, ':', line.Size));
    if (!colon || colon == line.Text || line.Text[0] == ' ' || line.Text[0] == '\t')
        return false;
    const char* value = colon + 1;
    const char* end = line.Text + line.Size;
    while (value < end && (*value == ' ' || *value == '\t'))
        ++value;
    while (end > value && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    field = {line.Text, static_cast<size_t>(colon - line.Text), value, static_cast<size_t>(end - value)};
    return true;
}

// 1 to `maxDigits` decimal digits at `at`, without a leading zero unless the number is 0.
bool ReadDecimal(const std::string& text, size_t& at, size_t maxDigits, unsigned& value)
{
    const size_t start = at;
    value = 0;
    while (at < text.size() && IsDigit(text[at])) {
        if (at - start == maxDigits)
            return false;
        value = value * 10 + static_cast<unsigned>(text[at] - '0');
        ++at;
    }
    const size_t digits = at - start;
    return digits > 0 && (digits == 1 || text[start] != '0');
}

std::string DottedAddress(uint32_t address)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string(address >> shift & 0xFF);
        if (shift > 0)
            text += '.';
    }
    return text;
}

}  // namespace

std::string SsdpSearchRequest(const std::string& hostField, const std::string& userAgent)
{
    return "M-SEARCH * HTTP/1.1\r\n"
           "HOST: " + hostField + "\r\n"
           "MAN: \"ssdp:discover\"\r\n"
           "MX: 1\r\n"
           "ST: upnp:rootdevice\r\n"
           "USER-AGENT: " + userAgent + "\r\n"
           "\r\n";
}

bool ParseSsdpAnswer(const uint8_t* data, size_t size, std::string& location)
{
    location.clear();
    CLineCursor cursor(data, size);
    Line line;
    // A datagram is whole: its last line needs no line end.
    if (!cursor.Next(line))
        return false;
    line.Ended = true;
    if (CheckStatusLine(line) != HttpHead::Accepted)
        return false;
    bool found = false;
    while (cursor.Next(line) && line.Size > 0) {
        HeaderField field;
        if (!SplitHeader(line, field) || !SameTextIgnoringCase(field.Name, field.NameSize, kLocationField))
            continue;
        // Two LOCATIONs or a doctored one: the device is not taken at its word at all.
        if (found || field.ValueSize > kMaxLocationBytes || HasControlBytes(field.Value, field.ValueSize)) {
            location.clear();
            return false;
        }
        location.assign(field.Value, field.ValueSize);
        found = true;
    }
    return true;
}

bool ParseDescriptionLocation(const std::string& location, uint32_t hostAddress, DescriptionUrl& url)
{
    url = DescriptionUrl();
    DescriptionUrl read;
    if (location.size() > kMaxLocationBytes)
        return false;
    for (const char c : location) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F)
            return false;
    }
    static const char kScheme[] = "http://";
    const size_t schemeSize = sizeof(kScheme) - 1;
    if (location.size() < schemeSize || !SameTextIgnoringCase(location.data(), schemeSize, kScheme))
        return false;
    size_t at = schemeSize;
    uint32_t address = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0 && (at >= location.size() || location[at++] != '.'))
            return false;
        unsigned value = 0;
        if (!ReadDecimal(location, at, 3, value) || value > 255)
            return false;
        address = address << 8 | value;
    }
    if (address != hostAddress)
        return false;
    if (at < location.size() && location[at] == ':') {
        ++at;
        unsigned port = 0;
        if (!ReadDecimal(location, at, 5, port) || port == 0 || port > 65535)
            return false;
        read.Port = static_cast<uint16_t>(port);
    }
    if (at == location.size())
        read.Path = "/";
    else if (location[at] == '/')
        read.Path = location.substr(at);
    else
        return false;  // userinfo, a longer host name, a query without a path
    url = read;
    return true;
}

std::string DescriptionRequest(uint32_t hostAddress, const DescriptionUrl& url, const std::string& userAgent)
{
    std::string host = DottedAddress(hostAddress);
    if (url.Port != 80)
        host += ':' + std::to_string(url.Port);
    return "GET " + url.Path + " HTTP/1.0\r\n"
           "Host: " + host + "\r\n"
           "User-Agent: " + userAgent + "\r\n"
           "Connection: close\r\n"
           "Accept: text/xml, application/xml\r\n"
           "\r\n";
}

HttpHead ParseHttpResponse(const uint8_t* data, size_t size, size_t& bodyOffset)
{
    bodyOffset = 0;
    // Only the bytes within the bound count: a head that ends later is refused.
    const HttpHead unfinished = size >= kMaxHttpHeadBytes ? HttpHead::Refused : HttpHead::Incomplete;
    CLineCursor cursor(data, std::min(size, kMaxHttpHeadBytes));
    Line line;
    if (!cursor.Next(line))
        return unfinished;
    const HttpHead status = CheckStatusLine(line);
    if (status != HttpHead::Accepted)
        return status == HttpHead::Refused ? HttpHead::Refused : unfinished;
    while (cursor.Next(line) && line.Ended) {
        if (line.Size == 0) {
            bodyOffset = cursor.Offset();
            return HttpHead::Accepted;
        }
        // We asked in HTTP/1.0, so a chunked or otherwise coded body is not what we can read.
        HeaderField field;
        if (SplitHeader(line, field) && SameTextIgnoringCase(field.Name, field.NameSize, kTransferCodingField) &&
            !SameTextIgnoringCase(field.Value, field.ValueSize, "identity"))
            return HttpHead::Refused;
    }
    return unfinished;
}
