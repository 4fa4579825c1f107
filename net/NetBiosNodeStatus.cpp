#include "net/NetBiosNodeStatus.h"

#include "net/PacketReader.h"

#include <utility>

namespace {

constexpr uint16_t kTypeNodeStatus = 0x0021;
constexpr uint16_t kClassInternet = 0x0001;
constexpr uint16_t kNameFlagGroup = 0x8000;
// A name being given up, or one another node also claims: not the host's to show.
constexpr uint16_t kNameFlagDeregistering = 0x1000;
constexpr uint16_t kNameFlagConflict = 0x0800;
constexpr size_t kNetBiosNameBytes = 16;  // 15 name bytes and the suffix
constexpr size_t kNameEntryBytes = kNetBiosNameBytes + 2;
constexpr uint8_t kSuffixWorkstation = 0x00;
constexpr uint8_t kSuffixServer = 0x20;

// "*" padded with NULs, each byte as two letters 'A' + nibble (first-level encoding).
std::string EncodedWildcardName()
{
    std::string encoded;
    for (size_t i = 0; i < kNetBiosNameBytes; ++i) {
        const uint8_t byte = i == 0 ? '*' : 0;
        encoded += static_cast<char>('A' + (byte >> 4));
        encoded += static_cast<char>('A' + (byte & 0x0F));
    }
    return encoded;
}

// The entry's name without its padding; empty when it holds a control byte.
std::string EntryName(const uint8_t* entry)
{
    size_t length = kNetBiosNameBytes - 1;
    while (length > 0 && (entry[length - 1] == ' ' || entry[length - 1] == '\0'))
        --length;
    std::string name(reinterpret_cast<const char*>(entry), length);
    return HasControlBytes(name) ? std::string() : name;
}

}  // namespace

std::vector<uint8_t> BuildNodeStatusRequest(uint16_t id)
{
    std::vector<uint8_t> packet = StartQuery(id);
    const std::string name = EncodedWildcardName();
    packet.push_back(static_cast<uint8_t>(name.size()));
    packet.insert(packet.end(), name.begin(), name.end());
    packet.push_back(0);
    AppendU16(packet, kTypeNodeStatus);
    AppendU16(packet, kClassInternet);
    return packet;
}

std::string ReadNodeStatusName(const uint8_t* data, size_t size, uint16_t id)
{
    CPacketReader reader(data, size);
    const NameServiceHeader header = ReadHeader(reader);
    if (!reader.Ok() || !IsAnswerTo(header, id) || header.Answers == 0)
        return std::string();
    std::string name;
    for (uint16_t i = 0; i < header.Questions; ++i) {
        reader.ReadName(name);
        reader.Skip(4);
    }
    // The answer must be about the name we asked for.
    CPacketReader::RecordHeader record;
    if (!reader.ReadRecordHeader(record) || !SameDomainName(record.Name, EncodedWildcardName()))
        return std::string();
    const uint8_t* recordData = reader.ReadBytes(record.DataLength);
    if (!recordData || record.Type != kTypeNodeStatus || record.Class != kClassInternet || record.DataLength < 1)
        return std::string();

    const size_t count = recordData[0];
    if (count * kNameEntryBytes > size_t{record.DataLength} - 1)
        return std::string();
    std::string server;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = recordData + 1 + i * kNameEntryBytes;
        const uint16_t nameFlags = static_cast<uint16_t>(entry[kNetBiosNameBytes] << 8 | entry[kNetBiosNameBytes + 1]);
        if (nameFlags & (kNameFlagGroup | kNameFlagDeregistering | kNameFlagConflict))
            continue;
        const uint8_t suffix = entry[kNetBiosNameBytes - 1];
        if (suffix != kSuffixWorkstation && suffix != kSuffixServer)
            continue;
        // An empty name or one with a control byte is no name: a later entry may have one.
        std::string entryName = EntryName(entry);
        if (entryName.empty())
            continue;
        if (suffix == kSuffixWorkstation)
            return entryName;
        if (server.empty())
            server = std::move(entryName);
    }
    return server;
}
