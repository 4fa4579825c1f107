#include "net/MulticastDnsReverse.h"

#include "net/PacketReader.h"

namespace {

constexpr uint16_t kTypePointer = 12;
constexpr uint16_t kClassInternet = 1;
constexpr uint16_t kClassMask = 0x7FFF;  // the top bit is mDNS's cache flush / unicast answer

// A question or record is about our name with the PTR type in class IN.
bool IsOurs(const std::string& name, uint16_t type, uint16_t recordClass, const std::string& asked)
{
    return type == kTypePointer && (recordClass & kClassMask) == kClassInternet && SameDomainName(name, asked);
}

}  // namespace

std::string ReversePointerName(uint32_t address)
{
    std::string name;
    for (int shift = 0; shift < 32; shift += 8)
        name += std::to_string(address >> shift & 0xFF) + '.';
    return name + "in-addr.arpa";
}

std::vector<uint8_t> BuildReversePointerQuery(uint16_t id, uint32_t address)
{
    std::vector<uint8_t> packet = StartQuery(id);
    const std::string name = ReversePointerName(address);
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('.', start);
        if (end == std::string::npos)
            end = name.size();
        packet.push_back(static_cast<uint8_t>(end - start));
        packet.insert(packet.end(), name.begin() + static_cast<std::ptrdiff_t>(start),
                      name.begin() + static_cast<std::ptrdiff_t>(end));
        start = end + 1;
    }
    packet.push_back(0);
    AppendU16(packet, kTypePointer);
    AppendU16(packet, kClassInternet);
    return packet;
}

std::string ReadReversePointerName(const uint8_t* data, size_t size, uint16_t id, uint32_t address)
{
    CPacketReader reader(data, size);
    const NameServiceHeader header = ReadHeader(reader);
    if (!reader.Ok() || !IsAnswerTo(header, id))
        return std::string();
    const std::string asked = ReversePointerName(address);
    std::string name;
    // A legacy unicast answer repeats the question: it must be ours.
    for (uint16_t i = 0; i < header.Questions; ++i) {
        if (!reader.ReadName(name))
            return std::string();
        const uint16_t type = reader.ReadU16();
        const uint16_t questionClass = reader.ReadU16();
        if (!reader.Ok() || !IsOurs(name, type, questionClass, asked))
            return std::string();
    }
    for (uint16_t i = 0; i < header.Answers; ++i) {
        CPacketReader::RecordHeader record;
        if (!reader.ReadRecordHeader(record))
            return std::string();
        const size_t dataStart = reader.Offset();
        if (IsOurs(record.Name, record.Type, record.Class, asked)) {
            std::string published;
            // The published name must lie within the record's own data (pointers may leave it).
            if (!reader.ReadName(published) || reader.Offset() - dataStart != record.DataLength || published.empty() ||
                HasControlBytes(published))
                return std::string();
            return published;
        }
        reader.Skip(record.DataLength);
    }
    return std::string();
}
