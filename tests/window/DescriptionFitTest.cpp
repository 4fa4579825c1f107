// The Description texts the default virtual LAN shows fit their column in the list's own font,
// also at the narrower width a list of ten rows or more gets. The caption buttons' symbol
// font and the dialogs' font are Wine's own, found in the test prefix.
#include "MainWindowSupport.h"
#include "SettingsKey.h"
#include "res/resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kNarrowColumn = 163;
// The list leaves 6 pixels of margin either side of a cell's text.
constexpr int kCellMargins = 12;

// Every Description the default LAN gives, as the README lists them.
const char* const kLanDescriptions[] = {
    "This is your Router",
    "Intel Corporate",
    "Synology Incorporated",
    "Brother Industries, LTD.",
    "Private MAC (randomised)",
    "This is your current system",
};

struct Measured {
    std::string text;
    int width = 0;         // drawn in the list's font
    int columnWidth = 0;   // what the list's own autosize gives the column for the text alone
};

TEST(DescriptionColumn, TheLansTextsFitTheNarrowColumnInTheListsFont)
{
    CSettingsKey key;
    std::vector<Measured> measured;
    RunMainWindow(LanDiscovery(), [&](HWND hwnd) {
        HWND list = ::GetDlgItem(hwnd, IDC_RESULTS_LIST);
        HDC dc = ::GetDC(list);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(list, WM_GETFONT, 0, 0)));
        for (const char* text : kLanDescriptions) {
            Measured m;
            m.text = text;
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
        EXPECT_LE(m.width, kNarrowColumn - kCellMargins);
        EXPECT_LE(m.columnWidth, kNarrowColumn);
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

TEST(WineFonts, TheCaptionSymbolsAndTheDialogFontAreFound)
{
    // Without Marlett the caption buttons show the letters of their glyphs, "0 1 r".
    EXPECT_EQ(FaceFound("Marlett", SYMBOL_CHARSET), "Marlett");
    EXPECT_EQ(FaceFound("Tahoma", DEFAULT_CHARSET), "Tahoma");
}

}  // namespace
