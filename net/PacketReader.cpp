#include "net/PacketReader.h"

namespace {

constexpr size_t kMaxNameBytes = 255;  // on the wire, length bytes and the final 0 included
constexpr int kMaxPointerHops = 16;
constexpr uint8_t kPointerBits = 0xC0;
constexpr uint16_t kFlagResponse = 0x8000;
constexpr uint16_t kOpcodeAndRcodeMask = 0x780F;

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

uint8_t CPacketReader::ReadByte()
{
    const uint8_t* byte = ReadBytes(1);
    return byte ? byte[0] : 0;
}

uint16_t CPacketReader::ReadU16()
{
    const uint8_t* bytes = ReadBytes(2);
    return bytes ? static_cast<uint16_t>(bytes[0] << 8 | bytes[1]) : 0;
}

uint32_t CPacketReader::ReadU32()
{
    const uint8_t* bytes = ReadBytes(4);
    return bytes ? uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3] : 0;
}

const uint8_t* CPacketReader::ReadBytes(size_t count)
{
    if (!m_Ok || count > m_Size - m_Offset) {
        Fail();
        return nullptr;
    }
    const uint8_t* bytes = m_Data + m_Offset;
    m_Offset += count;
    return bytes;
}

bool CPacketReader::ReadName(std::string& text)
{
    text.clear();
    if (!m_Ok)
        return false;
    size_t position = m_Offset;
    size_t segmentStart = m_Offset;  // where the bytes being read began: the name, or the last jump
    size_t resumeAt = 0;  // where the reader goes on after the name: set at the first pointer
    size_t wireBytes = 0;
    int hops = 0;
    for (;;) {
        if (position >= m_Size)
            return Fail();
        const uint8_t length = m_Data[position];
        if ((length & kPointerBits) == kPointerBits) {
            if (position + 1 >= m_Size)
                return Fail();
            const size_t target = size_t{length & 0x3Fu} << 8 | m_Data[position + 1];
            // Only to bytes before any read so far, so no pointer can lead back to itself.
            if (target >= segmentStart || ++hops > kMaxPointerHops)
                return Fail();
            if (hops == 1)
                resumeAt = position + 2;
            position = segmentStart = target;
            continue;
        }
        if (length & kPointerBits)
            return Fail();  // the reserved label types 0x40 and 0x80
        wireBytes += 1u + length;
        if (wireBytes > kMaxNameBytes)
            return Fail();
        if (length == 0)
            break;
        if (length > m_Size - position - 1)
            return Fail();
        if (!text.empty())
            text += '.';
        text.append(reinterpret_cast<const char*>(m_Data + position + 1), length);
        position += 1u + length;
    }
    m_Offset = hops ? resumeAt : position + 1;
    return true;
}

bool CPacketReader::ReadRecordHeader(RecordHeader& record)
{
    ReadName(record.Name);
    record.Type = ReadU16();
    record.Class = ReadU16();
    record.Ttl = ReadU32();
    record.DataLength = ReadU16();
    if (m_Ok && record.DataLength > Left())
        Fail();
    return m_Ok;
}

bool SameDomainName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool HasControlBytes(const std::string& text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

std::vector<uint8_t> StartQuery(uint16_t id)
{
    std::vector<uint8_t> packet;
    AppendU16(packet, id);
    AppendU16(packet, 0);  // a standard query
    AppendU16(packet, 1);  // one question, nothing else
    AppendU16(packet, 0);
    AppendU16(packet, 0);
    AppendU16(packet, 0);
    return packet;
}

void AppendU16(std::vector<uint8_t>& packet, uint16_t value)
{
    packet.push_back(static_cast<uint8_t>(value >> 8));
    packet.push_back(static_cast<uint8_t>(value & 0xFF));
}

NameServiceHeader ReadHeader(CPacketReader& reader)
{
    NameServiceHeader header{};
    header.Id = reader.ReadU16();
    header.Flags = reader.ReadU16();
    header.Questions = reader.ReadU16();
    header.Answers = reader.ReadU16();
    reader.Skip(4);
    return header;
}

bool IsAnswerTo(const NameServiceHeader& header, uint16_t id)
{
    return header.Id == id && (header.Flags & kFlagResponse) && !(header.Flags & kOpcodeAndRcodeMask);
}
