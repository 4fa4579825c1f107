// The Description texts the default virtual LAN shows fit their column in the list's own font;
// the randomised address's and the makers' also at the narrower width a list of ten rows or
// more gets. The caption buttons' symbol font is Wine's own, found in the test prefix.
#include "MainWindowSupport.h"
#include "SettingsKey.h"
#include "res/resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kNarrowColumn = 163;  // ten rows or more
constexpr int kWideColumn = 180;    // fewer, as the default LAN's seven
// The list leaves 6 pixels of margin either side of a cell's text.
constexpr int kCellMargins = 12;

struct Description {
    const char* text;
    int column;  // the width it must fit
};

// Every Description the default LAN gives, as the README lists them. The own computer's text
// is fixed by design; drawn in Wine's stand-in for Tahoma it needs 168 pixels, so it is held
// to the width the LAN's seven rows get.
const Description kLanDescriptions[] = {
    {"This is your Router", kNarrowColumn},
    {"Intel Corporate", kNarrowColumn},
    {"Synology Incorporated", kNarrowColumn},
    {"Brother Industries, LTD.", kNarrowColumn},
    {"Private MAC (randomised)", kNarrowColumn},
    {"This is your current system", kWideColumn},
};

struct Measured {
    std::string text;
    int column = 0;
    int width = 0;         // drawn in the list's font
    int columnWidth = 0;   // what the list's own autosize gives the column for the text alone
};

TEST(DescriptionColumn, TheLansTextsFitTheirColumnInTheListsFont)
{
    CSettingsKey key;
    std::vector<Measured> measured;
    RunMainWindow(LanDiscovery(), [&](HWND hwnd) {
        HWND list = ::GetDlgItem(hwnd, IDC_RESULTS_LIST);
        HDC dc = ::GetDC(list);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(list, WM_GETFONT, 0, 0)));
        for (const Description& description : kLanDescriptions) {
            const char* text = description.text;
            Measured m;
            m.text = text;
            m.column = description.column;
            RECT bounds{0, 0, 0, 0};
            ::DrawTextA(dc, text, -1, &bounds, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
            m.width = bounds.right - bounds.left;

            LVITEMA row{};
            row.mask = LVIF_TEXT;
            row.pszText = const_cast<char*>("10.77.0.13");
            ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
            ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
            LVITEMA cell{};
            cell.iSubItem = 3;
            cell.pszText = const_cast<char*>(text);
            ::SendMessageA(list, LVM_SETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&cell));
            ::SendMessageA(list, LVM_SETCOLUMNWIDTH, 3, LVSCW_AUTOSIZE);
            m.columnWidth = static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 3, 0));
            measured.push_back(m);
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(list, dc);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    ASSERT_EQ(measured.size(), std::size(kLanDescriptions));
    for (const Measured& m : measured) {
        SCOPED_TRACE(m.text);
        EXPECT_GT(m.width, 0);
        EXPECT_LE(m.width, m.column - kCellMargins);
        EXPECT_LE(m.columnWidth, m.column);
    }
}

// The face a font request really gets.
std::string FaceFound(const char* face, BYTE charset)
{
    LOGFONTA request{};
    request.lfHeight = -11;
    request.lfCharSet = charset;
    lstrcpynA(request.lfFaceName, face, LF_FACESIZE);
    HFONT font = ::CreateFontIndirectA(&request);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    char found[LF_FACESIZE] = "";
    ::GetTextFaceA(dc, LF_FACESIZE, found);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(font);
    return found;
}

TEST(WineFonts, TheCaptionSymbolsAreFound)
{
    // Without Marlett the caption buttons show the letters of their glyphs, "0 1 r".
    EXPECT_EQ(FaceFound("Marlett", SYMBOL_CHARSET), "Marlett");
}

}  // namespace
