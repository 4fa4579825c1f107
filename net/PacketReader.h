// Reading a datagram that came from the network: every read checks what is left, and a read
// that would pass the end fails and leaves the reader failed. No sockets, no windows here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CPacketReader {
public:
    CPacketReader(const uint8_t* data, size_t size) : m_Data(data), m_Size(data ? size : 0) {}

    bool Ok() const { return m_Ok; }
    size_t Offset() const { return m_Offset; }
    size_t Left() const { return m_Ok ? m_Size - m_Offset : 0; }

    uint8_t ReadByte();
    uint16_t ReadU16();  // network order
    uint32_t ReadU32();
    // `count` bytes, or nothing when fewer are left.
    const uint8_t* ReadBytes(size_t count);
    void Skip(size_t count) { ReadBytes(count); }

    // A domain name in wire form at the reader's place, compression pointers followed (only
    // backwards, a bounded number of hops), as its labels joined by '.'. The reader moves past
    // the name's bytes at this place. Fails on a name longer than 255 bytes on the wire, a
    // label past the end, a forward or looping pointer, or a reserved label type.
    bool ReadName(std::string& text);

    // A resource record up to its data: the reader stops where the data begins. Fails on a
    // record cut short, or whose data would pass the end.
    struct RecordHeader {
        std::string Name;
        uint16_t Type = 0;
        uint16_t Class = 0;
        uint32_t Ttl = 0;
        uint16_t DataLength = 0;
    };
    bool ReadRecordHeader(RecordHeader& record);

private:
    bool Fail()
    {
        m_Ok = false;
        return false;
    }

    const uint8_t* m_Data;
    size_t m_Size;
    size_t m_Offset = 0;
    bool m_Ok = true;
};

// Case-insensitive in ASCII letters only, as DNS compares names.
bool SameDomainName(const std::string& a, const std::string& b);

// A byte below 0x20 or 0x7F: a name that holds one is no name at all (it could end a line in
// a report or the list).
bool HasControlBytes(const std::string& text);

// ---- The header NetBIOS name service and DNS share ----

// A query's header with transaction id `id` and one question, nothing else.
std::vector<uint8_t> StartQuery(uint16_t id);
void AppendU16(std::vector<uint8_t>& packet, uint16_t value);

struct NameServiceHeader {
    uint16_t Id;
    uint16_t Flags;
    uint16_t Questions;
    uint16_t Answers;
};
// Reads the 12 bytes of the header; the authority and additional counts are skipped.
NameServiceHeader ReadHeader(CPacketReader& reader);
// A successful answer (not a query, standard opcode, no error) to the query with `id`.
bool IsAnswerTo(const NameServiceHeader& header, uint16_t id);
