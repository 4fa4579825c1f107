// Makers of network adapters by MAC address. Every expected name is typed from the line of
// Debian's ieee-data 20220827.1 quoted beside it (/usr/share/ieee-data); a refresh of the
// package may change some.
#include "net/MacMakers.h"
#include "ui/ScanResultTexts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Mac {
    uint8_t bytes[6];
};

std::string Text(const Mac& mac)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%02X:%02X:%02X:%02X:%02X:%02X", mac.bytes[0], mac.bytes[1], mac.bytes[2],
                  mac.bytes[3], mac.bytes[4], mac.bytes[5]);
    return text;
}

TEST(MacMakers, TheLongestRegisteredBlockNamesTheMakerAsRegistered)
{
    struct Case {
        Mac mac;
        const char* maker;  // UTF-8
    };
    const Case cases[] = {
        // oui.csv:28616 MA-L,B827EB,Raspberry Pi Foundation,Mitchell Wood House ...
        {{0xB8, 0x27, 0xEB, 0x12, 0x34, 0x56}, "Raspberry Pi Foundation"},
        // mam.csv:3726 MA-M,741AE03,Philips Personal Health Solutions,"High Tech Campus, ...
        // inside oui.csv:7184 MA-L,741AE0,IEEE Registration Authority,...
        {{0x74, 0x1A, 0xE0, 0x30, 0x00, 0x00}, "Philips Personal Health Solutions"},
        {{0x74, 0x1A, 0xE0, 0x3F, 0xFF, 0xFF}, "Philips Personal Health Solutions"},
        // 741AE0F has no MA-M line: the MA-L block's owner
        {{0x74, 0x1A, 0xE0, 0xF0, 0x00, 0x01}, "IEEE Registration Authority"},
        // mam.csv:2 MA-M,741AE09,Private, -- no name, and not the MA-L's either
        {{0x74, 0x1A, 0xE0, 0x9A, 0xBC, 0xDE}, ""},
        // oui36.csv:2 MA-S,70B3D5F2F,TELEPLATFORMS,"Polbina st., 3/1 Moscow  RU 109388 "
        // inside oui.csv:1684 MA-L,70B3D5,IEEE Registration Authority,...
        {{0x70, 0xB3, 0xD5, 0xF2, 0xF0, 0x00}, "TELEPLATFORMS"},
        {{0x70, 0xB3, 0xD5, 0xF2, 0xFF, 0xFF}, "TELEPLATFORMS"},
        // 70B3D5F20 has no MA-S line
        {{0x70, 0xB3, 0xD5, 0xF2, 0x00, 0x00}, "IEEE Registration Authority"},
        // oui36.csv:898 MA-S,8C1F64EAA,"""KB ""Modul"", LLC",Verejskaya str. ...
        {{0x8C, 0x1F, 0x64, 0xEA, 0xA1, 0x23}, "\"KB \"Modul\", LLC"},
        // oui.csv:9926 MA-L,001A2B,"Ayecom Technology Co., Ltd.","No. 25, R&D Road 2, ...
        {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "Ayecom Technology Co., Ltd."},
        // oui.csv:42 MA-L,901234,"Shenzhen YOUHUA Technology Co., Ltd<TAB>","Room 407 ...
        {{0x90, 0x12, 0x34, 0x00, 0x00, 0x00}, "Shenzhen YOUHUA Technology Co., Ltd"},
        // oui.csv:5795 MA-L,4829E4,"   ZAO ""NPK Rotek""",Prospekt Mira Moscow  RU 129223
        {{0x48, 0x29, 0xE4, 0x01, 0x02, 0x03}, "ZAO \"NPK Rotek\""},
        // mam.csv:79 MA-M,D8860B7,Grünbeck Wasseraufbereitung GmbH,Josef-Grünbeck-Str. 1 ...
        {{0xD8, 0x86, 0x0B, 0x70, 0x00, 0x00}, "Gr\xC3\xBCnbeck Wasseraufbereitung GmbH"},
        // oui.csv:19555 MA-L,ACDE48,Private,
        {{0xAC, 0xDE, 0x48, 0x00, 0x11, 0x22}, ""},
        // oui.csv:5227, 24675, 31243: MA-L,080030 three times, NETWORK RESEARCH CORPORATION,
        // ROYAL MELBOURNE INST OF TECH, CERN -- all of them, sorted
        {{0x08, 0x00, 0x30, 0x00, 0x00, 0x00}, "CERN / NETWORK RESEARCH CORPORATION / ROYAL MELBOURNE INST OF TECH"},
        // no line for A0B0C0 nor 1C0000 in any of the three files
        {{0xA0, 0xB0, 0xC0, 0x01, 0x02, 0x03}, ""},
        {{0x1C, 0x00, 0x00, 0x00, 0x00, 0x00}, ""},
        // The first and last block of each registry, and the addresses beyond them.
        // oui.csv:31235 MA-L,000000,XEROX CORPORATION,M/S 105-50C WEBSTER NY US 14580
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, "XEROX CORPORATION"},
        // oui.csv:21047 MA-L,FCFFAA,IEEE Registration Authority,445 Hoes Lane ...
        {{0xFC, 0xFF, 0xAA, 0xFF, 0xFF, 0xFF}, "IEEE Registration Authority"},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, ""},
        // mam.csv:2133 MA-M,0055DA0,"Shinko Technos co.,ltd.","2-5-1, Senba Higashi ...
        {{0x00, 0x55, 0xDA, 0x00, 0x00, 0x00}, "Shinko Technos co.,ltd."},
        // mam.csv:955 MA-M,FCD2B6E,Univer S.p.A.,Via Eraclito 31 Milan  IT 20128
        {{0xFC, 0xD2, 0xB6, 0xEF, 0xFF, 0xFF}, "Univer S.p.A."},
        // oui36.csv:3667 MA-S,001BC5000,Converging Systems Inc.,32420 Nautilus Drive ...
        {{0x00, 0x1B, 0xC5, 0x00, 0x00, 0x00}, "Converging Systems Inc."},
        // oui36.csv:3021 MA-S,8C1F64FFC,Invendis Technologies India Pvt Ltd,#230 BOOHBCS ...
        {{0x8C, 0x1F, 0x64, 0xFF, 0xCF, 0xFF}, "Invendis Technologies India Pvt Ltd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Text(c.mac));
        EXPECT_EQ(std::string(MacMaker(c.mac.bytes)), c.maker);
    }
}

// What the Description column says of a host that is not this computer or the router.
TEST(MakerDescription, NamesTheMakerOrARandomisedAddressInTheListsCodePage)
{
    struct Case {
        std::vector<BYTE> mac;
        std::string description;
    };
    // The list holds texts in the system's code page: the UTF-8 name arrives converted, its
    // u-umlaut (C3 BC in UTF-8) as the one byte FC of Windows-1252, the test prefixes' code page.
    ASSERT_EQ(::GetACP(), 1252u) << "the expected bytes below are Windows-1252's";
    const char grunbeck[] = "Gr\xFCnbeck Wasseraufbereitung GmbH";
    const Case cases[] = {
        {{0xB8, 0x27, 0xEB, 0x12, 0x34, 0x56}, "Raspberry Pi Foundation"},
        {{0xD8, 0x86, 0x0B, 0x70, 0x00, 0x00}, grunbeck},
        // Locally administered, whatever a registry says: oui.csv:413 MA-L,02C08C,3COM,...
        {{0x02, 0xC0, 0x8C, 0x00, 0x00, 0x01}, "Private MAC (randomised)"},
        {{0x02, 0x5A, 0x00, 0x00, 0x00, 0x0A}, "Private MAC (randomised)"},
        {{0xDA, 0xA1, 0x19, 0x00, 0x00, 0x01}, "Private MAC (randomised)"},
        {{0xA0, 0xB0, 0xC0, 0x01, 0x02, 0x03}, ""},  // unknown
        {{0x74, 0x1A, 0xE0, 0x9A, 0xBC, 0xDE}, ""},  // registered as Private
        {{0xB8, 0x27, 0xEB, 0x12, 0x34}, ""},        // no whole MAC address
        {{0xB8, 0x27, 0xEB, 0x12, 0x34, 0x56, 0x78, 0x9A}, ""},
        {{}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.mac));
        EXPECT_EQ(MakerDescription(c.mac.data(), static_cast<ULONG>(c.mac.size())), c.description);
    }
}

}  // namespace
