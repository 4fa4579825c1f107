// The answers of NetBIOS node status and multicast-DNS reverse look-ups are untrusted input:
// hand-made packets, well-formed and not, and a bounded run of mutated ones, all under the
// sanitizers. The expected names are typed out.
#include "net/MulticastDnsReverse.h"
#include "net/NetBiosNodeStatus.h"
#include "net/PacketReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes U16(uint16_t value) { return {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)}; }
Bytes U32(uint32_t value) { return Cat({U16(static_cast<uint16_t>(value >> 16)), U16(static_cast<uint16_t>(value))}); }
Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// "a.b" as length-prefixed labels and the final 0.
Bytes Labels(const std::string& dotted)
{
    Bytes wire;
    size_t start = 0;
    while (start < dotted.size()) {
        size_t end = dotted.find('.', start);
        if (end == std::string::npos)
            end = dotted.size();
        wire.push_back(static_cast<uint8_t>(end - start));
        const Bytes label = Text(dotted.substr(start, end - start));
        wire.insert(wire.end(), label.begin(), label.end());
        start = end + 1;
    }
    wire.push_back(0);
    return wire;
}

Bytes Header(uint16_t id, uint16_t flags, uint16_t questions, uint16_t answers)
{
    return Cat({U16(id), U16(flags), U16(questions), U16(answers), U16(0), U16(0)});
}

// ---- NetBIOS node status ----

constexpr uint16_t kNodeId = 0x1234;
const std::string kWildcard = "CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";  // "*" and 15 NULs, encoded

// One name table entry: 15 bytes padded with spaces, the suffix, the flags.
Bytes Entry(const std::string& name, uint8_t suffix, uint16_t flags)
{
    Bytes entry = Text(name);
    entry.resize(15, ' ');
    entry.push_back(suffix);
    return Cat({entry, U16(flags)});
}
constexpr uint16_t kUnique = 0x0400;  // active, B node
constexpr uint16_t kGroup = 0x8400;

Bytes NodeStatusAnswer(const std::vector<Bytes>& entries, uint16_t id = kNodeId, const std::string& asked = kWildcard)
{
    Bytes table{static_cast<uint8_t>(entries.size())};
    for (const Bytes& entry : entries)
        table = Cat({table, entry});
    table = Cat({table, Bytes(46, 0)});  // statistics: MAC and counters
    return Cat({Header(id, 0x8400, 0, 1), Labels(asked), U16(0x21), U16(1), U32(0), U16(static_cast<uint16_t>(table.size())),
                table});
}

TEST(NodeStatus, TheRequestIsTheWildcardQuestionOfTypeNbstat)
{
    const Bytes expected = Cat({Bytes{0xBE, 0xEF, 0x00, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0x20}, Text(kWildcard),
                                Bytes{0x00, 0x00, 0x21, 0x00, 0x01}});
    EXPECT_EQ(BuildNodeStatusRequest(0xBEEF), expected);
    EXPECT_EQ(expected.size(), 50u);
}

TEST(NodeStatus, AnswersGiveTheHostsOwnNameOrNone)
{
    const Bytes valid = NodeStatusAnswer({Entry("OFFICE-PC", 0x00, kUnique)});
    Bytes countPastEnd = NodeStatusAnswer({Entry("OFFICE-PC", 0x00, kUnique)});
    countPastEnd[12 + 34 + 10] = 4;  // the count byte after name, type, class, TTL, length: 4 entries of 18 in 65 bytes
    Bytes dataPastEnd = valid;
    dataPastEnd[12 + 34 + 9] = 0x70;  // RDLENGTH 0x0070 > what follows
    const Bytes pointerToItself = Cat({Header(kNodeId, 0x8400, 0, 1), Bytes{0xC0, 0x0C}, U16(0x21), U16(1), U32(0), U16(19),
                                       Bytes{1}, Entry("OFFICE-PC", 0x00, kUnique)});
    const Bytes pointerToQuestion =
        Cat({Header(kNodeId, 0x8400, 1, 1), Labels(kWildcard), U16(0x21), U16(1), Bytes{0xC0, 0x0C}, U16(0x21), U16(1),
             U32(0), U16(19), Bytes{1}, Entry("NAS", 0x00, kUnique)});
    struct Case {
        const char* what;
        Bytes packet;
        std::string name;
    };
    const Case cases[] = {
        {"the workstation name", valid, "OFFICE-PC"},
        {"the unique 0x00 name, not the workgroup before it nor the server name",
         NodeStatusAnswer({Entry("WORKGROUP", 0x00, kGroup), Entry("FILES", 0x20, kUnique), Entry("OFFICE-PC", 0x00, kUnique)}),
         "OFFICE-PC"},
        {"the server name where no workstation name is",
         NodeStatusAnswer({Entry("WORKGROUP", 0x00, kGroup), Entry("FILES", 0x20, kUnique), Entry("FILES", 0x03, kUnique)}),
         "FILES"},
        {"padding of NULs removed", NodeStatusAnswer({Entry(std::string("PC7\0\0\0", 6), 0x00, kUnique)}), "PC7"},
        {"a name of all 15 bytes", NodeStatusAnswer({Entry("ABCDEFGHIJKLMNO", 0x00, kUnique)}), "ABCDEFGHIJKLMNO"},
        {"markup kept as text", NodeStatusAnswer({Entry("<B>&PC", 0x00, kUnique)}), "<B>&PC"},
        {"the answer name by a pointer to the question", pointerToQuestion, "NAS"},
        {"a group name only", NodeStatusAnswer({Entry("WORKGROUP", 0x00, kGroup), Entry("WORKGROUP", 0x1E, kGroup)}), ""},
        {"zero names", NodeStatusAnswer({}), ""},
        {"other suffixes only", NodeStatusAnswer({Entry("PC", 0x03, kUnique), Entry("PC", 0x1F, kUnique)}), ""},
        {"a control byte", NodeStatusAnswer({Entry("OFF\aICE", 0x00, kUnique)}), ""},
        {"a line break", NodeStatusAnswer({Entry("PC\r\nX", 0x00, kUnique)}), ""},
        {"DEL", NodeStatusAnswer({Entry("PC\x7F", 0x00, kUnique)}), ""},
        {"padding only", NodeStatusAnswer({Entry("", 0x00, kUnique)}), ""},
        {"an empty workstation name, then a server name",
         NodeStatusAnswer({Entry("", 0x00, kUnique), Entry("FILES", 0x20, kUnique)}), "FILES"},
        {"a control byte in the first workstation name, a clean one after",
         NodeStatusAnswer({Entry("OFF\aICE", 0x00, kUnique), Entry("OFFICE-PC", 0x00, kUnique)}), "OFFICE-PC"},
        {"a workstation name in conflict", NodeStatusAnswer({Entry("TWIN", 0x00, 0x0C00), Entry("FILES", 0x20, kUnique)}),
         "FILES"},
        {"a workstation name being deregistered",
         NodeStatusAnswer({Entry("OLD-PC", 0x00, 0x1400), Entry("NEW-PC", 0x00, kUnique)}), "NEW-PC"},
        {"a server name in conflict", NodeStatusAnswer({Entry("TWIN", 0x20, 0x0C00)}), ""},
        {"another transaction id", NodeStatusAnswer({Entry("OFFICE-PC", 0x00, kUnique)}, 0x1235), ""},
        {"another question", NodeStatusAnswer({Entry("OFFICE-PC", 0x00, kUnique)}, kNodeId, "EOEPEPAAAAAAAAAAAAAAAAAAAAAAAAAA"), ""},
        {"a query, not an answer", Cat({Header(kNodeId, 0x0000, 0, 1), Bytes(valid.begin() + 12, valid.end())}), ""},
        {"an error code", Cat({Header(kNodeId, 0x8403, 0, 1), Bytes(valid.begin() + 12, valid.end())}), ""},
        {"no answer record", Header(kNodeId, 0x8400, 0, 0), ""},
        {"a truncated header", Bytes(valid.begin(), valid.begin() + 11), ""},
        {"empty", Bytes{}, ""},
        {"cut inside the answer name", Bytes(valid.begin(), valid.begin() + 30), ""},
        {"cut inside the name table", Bytes(valid.begin(), valid.begin() + 60), ""},
        {"a name count past the end", countPastEnd, ""},
        {"record data past the end", dataPastEnd, ""},
        {"a pointer to itself", pointerToItself, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadNodeStatusName(c.packet.data(), c.packet.size(), kNodeId), c.name) << c.what;
}

// ---- Multicast DNS reverse look-up ----

constexpr uint16_t kDnsId = 0x4321;
constexpr uint32_t kHost = 0x0A4D000D;  // 10.77.0.13
const std::string kAsked = "13.0.77.10.in-addr.arpa";

// An answer to our question about 10.77.0.13 whose record's owner is `owner` (by default a
// pointer to the question at offset 12) and whose data is `data`.
Bytes PointerAnswer(const Bytes& data, uint16_t id = kDnsId, const std::string& question = kAsked,
                    const Bytes& owner = {0xC0, 0x0C}, uint16_t recordClass = 0x8001)
{
    return Cat({Header(id, 0x8400, 1, 1), Labels(question), U16(12), U16(1), owner, U16(12), U16(recordClass), U32(10),
                U16(static_cast<uint16_t>(data.size())), data});
}

TEST(ReverseLookup, TheQueryAsksForThePointerOfTheReversedAddress)
{
    const Bytes expected = Cat({Bytes{0x56, 0x78, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, Bytes{2}, Text("13"), Bytes{1}, Text("0"),
                                Bytes{2}, Text("77"), Bytes{2}, Text("10"), Bytes{7}, Text("in-addr"), Bytes{4},
                                Text("arpa"), Bytes{0, 0, 12, 0, 1}});
    EXPECT_EQ(BuildReversePointerQuery(0x5678, kHost), expected);
    EXPECT_EQ(ReversePointerName(0xC0A80001), "1.0.168.192.in-addr.arpa");
}

TEST(ReverseLookup, AnswersGiveThePublishedNameOrNone)
{
    const size_t questionEnd = 12 + kAsked.size() + 2 + 4;
    const size_t dataStart = questionEnd + 2 + 10;
    Bytes longName;
    for (int i = 0; i < 5; ++i)
        longName = Cat({longName, Bytes{63}, Bytes(63, 'a')});
    longName.push_back(0);
    // 4 labels of 63 and one of 2: 255 bytes on the wire, the most a name may have.
    Bytes longestName;
    for (int i = 0; i < 3; ++i)
        longestName = Cat({longestName, Bytes{63}, Bytes(63, 'b')});
    longestName = Cat({longestName, Bytes{61}, Bytes(61, 'c'), Bytes{0}});
    const Bytes valid = PointerAnswer(Labels("kitchen-pi.local"));
    Bytes answersPastEnd = Cat({Header(kDnsId, 0x8400, 1, 3), Bytes(valid.begin() + 12, valid.begin() + questionEnd),
                                Bytes{0xC0, 0x0C}, U16(1), U16(1), U32(10), U16(4), Bytes{10, 77, 0, 13}});
    struct Case {
        const char* what;
        Bytes packet;
        std::string name;
    };
    const Case cases[] = {
        {"the published name", valid, "kitchen-pi.local"},
        {"without the cache-flush bit", PointerAnswer(Labels("kitchen-pi.local"), kDnsId, kAsked, {0xC0, 0x0C}, 1), "kitchen-pi.local"},
        {"the owner written out, in other letter case", PointerAnswer(Labels("pi.local"), kDnsId, kAsked, Labels("13.0.77.10.IN-ADDR.ARPA")), "pi.local"},
        {"a pointer back into the question for the data's end",
         PointerAnswer(Cat({Bytes{2}, Text("pi"), Bytes{0xC0, static_cast<uint8_t>(12 + 11)}})), "pi.in-addr.arpa"},
        {"the longest name", PointerAnswer(longestName), std::string(63, 'b') + '.' + std::string(63, 'b') + '.' +
                                                             std::string(63, 'b') + '.' + std::string(61, 'c')},
        {"markup kept as text", PointerAnswer(Labels("<b>pi&amp;.local")), "<b>pi&amp;.local"},
        {"UTF-8 kept as bytes", PointerAnswer(Labels("k\xC3\xBC" "che.local")), "k\xC3\xBC" "che.local"},
        {"a name over 255 bytes", PointerAnswer(longName), ""},
        {"a control byte", PointerAnswer(Labels("kit\x01" "chen.local")), ""},
        {"a tab", PointerAnswer(Labels("a\tb.local")), ""},
        {"DEL", PointerAnswer(Labels("pi\x7F.local")), ""},
        {"the root name", PointerAnswer(Bytes{0}), ""},
        {"another transaction id", PointerAnswer(Labels("kitchen-pi.local"), 0x4322), ""},
        {"another question", PointerAnswer(Labels("kitchen-pi.local"), kDnsId, "14.0.77.10.in-addr.arpa"), ""},
        {"a record about another name", PointerAnswer(Labels("kitchen-pi.local"), kDnsId, kAsked, Labels("14.0.77.10.in-addr.arpa")), ""},
        {"a record of another class", PointerAnswer(Labels("kitchen-pi.local"), kDnsId, kAsked, {0xC0, 0x0C}, 3), ""},
        {"a query, not an answer", Cat({Header(kDnsId, 0x0000, 1, 1), Bytes(valid.begin() + 12, valid.end())}), ""},
        {"an error code", Cat({Header(kDnsId, 0x8403, 1, 1), Bytes(valid.begin() + 12, valid.end())}), ""},
        {"no answer", Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(questionEnd)), ""},
        {"a truncated header", Bytes(valid.begin(), valid.begin() + 7), ""},
        {"cut inside the question", Bytes(valid.begin(), valid.begin() + 20), ""},
        {"cut inside the published name", Bytes(valid.begin(), valid.end() - 3), ""},
        {"an answer count past the end", answersPastEnd, ""},
        {"record data longer than the packet",
         Cat({Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(dataStart - 2)), U16(200),
              Bytes(valid.begin() + static_cast<std::ptrdiff_t>(dataStart), valid.end())}), ""},
        {"a name longer than its record",
         Cat({Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(dataStart - 2)), U16(5),
              Bytes(valid.begin() + static_cast<std::ptrdiff_t>(dataStart), valid.end())}), ""},
        {"a label past the end", PointerAnswer(Cat({Bytes{40}, Text("kitchen")})), ""},
        {"a pointer to itself", PointerAnswer(Bytes{0xC0, static_cast<uint8_t>(dataStart)}), ""},
        {"a forward pointer", PointerAnswer(Cat({Bytes{0xC0, static_cast<uint8_t>(dataStart + 4)}, Labels("pi")})), ""},
        {"an owner pointing to itself", PointerAnswer(Labels("pi.local"), kDnsId, kAsked, {0xC0, static_cast<uint8_t>(questionEnd)}), ""},
        {"a reserved label type", PointerAnswer(Bytes{0x41, 'a', 0}), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadReversePointerName(c.packet.data(), c.packet.size(), kDnsId, kHost), c.name) << c.what;
}

TEST(PacketReader, ReadsNothingPastTheEnd)
{
    const uint8_t bytes[] = {0x01, 0x02, 0x03};
    CPacketReader reader(bytes, sizeof(bytes));
    EXPECT_EQ(reader.ReadU16(), 0x0102);
    EXPECT_EQ(reader.ReadU16(), 0) << "one byte left";
    EXPECT_FALSE(reader.Ok());
    EXPECT_EQ(reader.ReadByte(), 0) << "a failed reader stays failed";
    EXPECT_EQ(reader.Left(), 0u);

    CPacketReader none(nullptr, 40);
    EXPECT_EQ(none.ReadByte(), 0);
    EXPECT_FALSE(none.Ok());
}

TEST(PacketReader, FollowsPointerChainsOnlySoFar)
{
    // "a" at 0, then pointers each to the one before: 16 hops are allowed, 17 are not.
    Bytes packet = Labels("a");
    for (int i = 0; i < 17; ++i) {
        const size_t previous = i == 0 ? 0 : packet.size() - 2;
        packet = Cat({packet, Bytes{0xC0, static_cast<uint8_t>(previous)}});
    }
    std::string name;
    CPacketReader sixteen(packet.data(), packet.size());
    sixteen.Skip(packet.size() - 4);
    EXPECT_TRUE(sixteen.ReadName(name));
    EXPECT_EQ(name, "a");
    EXPECT_EQ(sixteen.Left(), 2u) << "the reader goes on after the first pointer";
    CPacketReader seventeen(packet.data(), packet.size());
    seventeen.Skip(packet.size() - 2);
    EXPECT_FALSE(seventeen.ReadName(name));
}

// Mutated answers: flipped, cut, lengthened and pointer bytes. Nothing may read outside a
// packet (the sanitizers stop the test), and a name that comes out is clean.
TEST(NameParsers, MutatedAnswersGiveCleanNamesOrNone)
{
    const Bytes seeds[] = {
        NodeStatusAnswer({Entry("WORKGROUP", 0x00, kGroup), Entry("OFFICE-PC", 0x00, kUnique), Entry("OFFICE-PC", 0x20, kUnique)}),
        PointerAnswer(Labels("kitchen-pi.local")),
        PointerAnswer(Cat({Bytes{2}, Text("pi"), Bytes{0xC0, 12 + 11}})),
    };
    std::mt19937 random(27);
    const auto clean = [](const std::string& name) {
        for (const char c : name) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                return false;
        }
        return name.size() <= 255;
    };
    for (int round = 0; round < 30000; ++round) {
        Bytes packet = seeds[round % 3];
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits; ++e) {
            const size_t at = random() % packet.size();
            switch (random() % 5) {
            case 0: packet[at] = static_cast<uint8_t>(random()); break;
            case 1: packet[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
            case 2: packet.resize(at); break;
            case 3: packet.insert(packet.begin() + static_cast<std::ptrdiff_t>(at), static_cast<uint8_t>(random())); break;
            default: packet[at] = 0xC0 | static_cast<uint8_t>(random() % 4); break;
            }
            if (packet.empty())
                break;
        }
        // An exact-size copy, so that ASan sees any read past the end.
        const std::vector<uint8_t> exact(packet.begin(), packet.end());
        EXPECT_TRUE(clean(ReadNodeStatusName(exact.data(), exact.size(), kNodeId))) << "round " << round;
        EXPECT_TRUE(clean(ReadReversePointerName(exact.data(), exact.size(), kDnsId, kHost))) << "round " << round;
    }
}

}  // namespace
