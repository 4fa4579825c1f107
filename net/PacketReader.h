// Reading a datagram that came from the network: every read checks what is left, and a read
// that would pass the end fails and leaves the reader failed. No sockets, no windows here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
