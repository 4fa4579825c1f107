// The main window starts from its template with every control in place and ends on
// Escape and on the caption's close box. Discovery in these tests reads a made-up adapter
// table, never the machine's adapters.
#include "ui/CorvaleDlg.h"
#include "res/resource.h"
#include "LinkTestSupport.h"
#include "JoinedThread.h"
#include "MainWindowSupport.h"
#include "VantrelDriver.h"
#include "PointerSupport.h"
#include "SettingsKey.h"
#include "TempFolder.h"
#include "WindowTestSupport.h"
#include "controls/EnhancedListCtrl.h"
#include "controls/StaticHyperLink.h"
#include "controls/xShadeButton.h"
#include "ui/WebAddresses.h"
#include "TestMainWindow.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>
#include <utility>

namespace {


struct TemplateControl {
    int id;
    const char* windowClass;
    int x, y, w, h;  // dialog units
    bool visible;
};

// The main window's controls as its template places them.
const TemplateControl kMainControls[] = {
    {IDC_EXPORT, "Button", 400, 310, 64, 21, true},
    {IDC_AUTOMATIC, "Button", 183, 73, 9, 8, true},
    {IDC_MANUAL, "Button", 244, 73, 9, 8, true},
    {IDC_RANGE_LABEL, "Static", 55, 90, 111, 9, true},
    {IDC_UNUSED_EDIT1, "Edit", 378, 114, 48, 12, false},
    {IDC_UNUSED_EDIT2, "Edit", 384, 126, 48, 12, false},
    {IDC_RESULTS_LIST, "SysListView32", 7, 154, 456, 146, true},
    {IDC_MODE_LABEL, "Static", 73, 73, 93, 8, true},
    {IDC_SCAN_GROUP, "Button", 6, 61, 456, 87, true},
    {IDC_PING_LABEL, "Static", 95, 300, 184, 8, false},
    {IDC_HELP_LINK, "Static", 388, 48, 46, 9, true},
    {IDC_ABOUT_LINK, "Static", 439, 48, 23, 9, true},
    {IDC_VERSION_LINK, "Static", 7, 51, 231, 9, true},
    {IDC_PING_CHECK, "Button", 84, 300, 10, 9, false},
    {IDC_START_SCAN, "Button", 188, 118, 94, 24, true},
    {IDC_CLOSE, "Button", 397, 85, 57, 18, false},
    {IDC_COMPANION_LINK, "Static", 7, 317, 375, 8, true},
    {IDC_AUTOMATIC_LABEL, "Static", 195, 73, 33, 8, true},
    {IDC_MANUAL_LABEL, "Static", 256, 73, 29, 8, true},
    {IDC_START_ADDRESS, "SysIPAddress32", 183, 88, 81, 13, true},
    {IDC_END_ADDRESS, "SysIPAddress32", 282, 88, 81, 13, true},
};

TEST(MainWindow, ShowsItsTemplateWithEveryControlInPlace)
{
    CTestMainWindow dialog(LanDiscovery());
    std::string caption;
    RECT client{}, expectedClient{0, 0, 469, 338};
    WhenDialogShows("Vantrel", [&](HWND hwnd) {
        caption = TextOf(hwnd);
        ::GetClientRect(hwnd, &client);
        ::MapDialogRect(hwnd, &expectedClient);
        for (const TemplateControl& c : kMainControls) {
            SCOPED_TRACE(c.id);
            HWND control = ::GetDlgItem(hwnd, c.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(ClassOf(control), c.windowClass);
            EXPECT_EQ(::IsWindowVisible(control) != FALSE, c.visible);
            // The dialog manager converts position and size separately.
            RECT expected{c.x, c.y, c.w, c.h};
            ::MapDialogRect(hwnd, &expected);
            const RECT actual = ChildRect(hwnd, c.id);
            EXPECT_EQ(actual.left, expected.left);
            EXPECT_EQ(actual.top, expected.top);
            EXPECT_EQ(actual.right - actual.left, expected.right);
            EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
        }

        char version[64] = "";
        ::GetDlgItemTextA(hwnd, IDC_VERSION_LINK, version, sizeof(version));
        EXPECT_STREQ(version, "Get New Version");
        char start[32] = "";
        ::GetDlgItemTextA(hwnd, IDC_START_SCAN, start, sizeof(start));
        EXPECT_STREQ(start, "Start Scan");
        EXPECT_EQ(HIWORD(::SendMessageA(hwnd, DM_GETDEFID, 0, 0)), DC_HASDEFID);
        EXPECT_EQ(LOWORD(::SendMessageA(hwnd, DM_GETDEFID, 0, 0)), IDC_START_SCAN) << "the default button";
        ::SetForegroundWindow(hwnd);
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(caption, "Vantrel");
    EXPECT_EQ(client.right, expectedClient.right);
    EXPECT_EQ(client.bottom, expectedClient.bottom);
}

BOOL CALLBACK MatchOwned(HWND hwnd, LPARAM param)
{
    auto& search = *reinterpret_cast<std::pair<HWND, HWND>*>(param);
    if (::GetWindow(hwnd, GW_OWNER) != search.first || !::IsWindowVisible(hwnd))
        return TRUE;
    search.second = hwnd;
    return FALSE;
}

// The window `owner` owns, shown by any thread.
HWND OwnedWindow(HWND owner)
{
    std::pair<HWND, HWND> search{owner, nullptr};
    ::EnumWindows(MatchOwned, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

BOOL CALLBACK KeepLongestText(HWND child, LPARAM longest)
{
    const std::string line = TextOf(child);
    auto& text = *reinterpret_cast<std::string*>(longest);
    if (line.size() > text.size())
        text = line;
    return TRUE;
}

// Enter starts a scan. The range holds no address, so this machine's own network is never
// probed; the run still ends with its summary, owned by the window, which stays open.
TEST(MainWindow, EnterStartsAScanAndDoesNotEndTheWindowButTheCloseBoxDoes)
{
    CTestMainWindow dialog(LanDiscovery());
    bool stillOpenAfterEnter = false;
    std::string summary;
    std::atomic<HWND> entered{nullptr};
    WhenDialogShows("Vantrel", [&](HWND hwnd) {
        ::SendDlgItemMessageA(hwnd, IDC_AUTOMATIC, BM_SETCHECK, BST_UNCHECKED, 0);
        ::SendDlgItemMessageA(hwnd, IDC_MANUAL, BM_SETCHECK, BST_CHECKED, 0);
        ::SendDlgItemMessageA(hwnd, IDC_START_ADDRESS, IPM_SETADDRESS, 0, 0xC00002FF);  // 192.0.2.255
        ::SendDlgItemMessageA(hwnd, IDC_END_ADDRESS, IPM_SETADDRESS, 0, 0xC00002FF);
        // The key as the window's modal loop hands it to the dialog manager.
        MSG enter{hwnd, WM_KEYDOWN, VK_RETURN, 0x001C0001, static_cast<DWORD>(::GetMessageTime()), {}};
        ::IsDialogMessageA(hwnd, &enter);
        entered = hwnd;
    });
    // The summary is shown by the window's own thread: it is read and closed from another.
    INT_PTR result = 0;
    {
        CJoinedThread driver([&] {
            if (!PumpUntil([&] { return entered.load() != nullptr; }, 20000))
                return;
            const HWND hwnd = entered;
            HWND box = nullptr;
            if (PumpUntil([&] { return (box = OwnedWindow(hwnd)) != nullptr; }, 10000)) {
                ::EnumChildWindows(box, KeepLongestText, reinterpret_cast<LPARAM>(&summary));
                ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            PumpUntil([&] { return !OwnedWindow(hwnd) && ::IsWindowEnabled(::GetDlgItem(hwnd, IDC_START_SCAN)); },
                      10000);
            stillOpenAfterEnter = ::IsWindow(hwnd) && ::IsWindowVisible(hwnd);
            ::PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        result = dialog.DoModal();
    }
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(stillOpenAfterEnter);
    EXPECT_EQ(summary, "Scanning is finished. No system is currently connected to your Network");
}

TEST(MainWindow, SystemMenuEndsWithTheAboutEntry)
{
    CTestMainWindow dialog(LanDiscovery());
    std::string last;
    UINT lastId = 0;
    UINT separatorType = 0;
    WhenDialogShows("Vantrel", [&](HWND hwnd) {
        HMENU menu = ::GetSystemMenu(hwnd, FALSE);
        const int count = ::GetMenuItemCount(menu);
        char text[64] = "";
        ::GetMenuStringA(menu, static_cast<UINT>(count - 1), text, sizeof(text), MF_BYPOSITION);
        last = text;
        lastId = ::GetMenuItemID(menu, count - 1);
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoA(menu, static_cast<UINT>(count - 2), TRUE, &info);
        separatorType = info.fType;
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    dialog.DoModal();
    EXPECT_EQ(last, "&About Vantrel");
    EXPECT_EQ(lastId, static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_TRUE(separatorType & MFT_SEPARATOR);
}

template <class Kind>
bool IsBoundAs(HWND dialog, int id)
{
    return dynamic_cast<Kind*>(CWnd::FromHandle(::GetDlgItem(dialog, id))) != nullptr;
}

TEST(MainWindow, ControlsAreBoundToTheirClassesAndSetUp)
{
    CSettingsKey key;
    std::vector<int> unbound;
    DWORD listStyle = 0;
    std::vector<std::string> headings;
    std::vector<int> widths;
    bool hasRowImages = false, exportEnabled = true, startEnabled = false;
    LOGFONTA linkFont{};
    RunMainWindow(LanDiscovery(), [&](HWND hwnd) {
        for (int id : {IDC_START_SCAN, IDC_EXPORT, IDC_CLOSE})
            if (!IsBoundAs<CxShadeButton>(hwnd, id))
                unbound.push_back(id);
        for (int id : {IDC_HELP_LINK, IDC_ABOUT_LINK, IDC_VERSION_LINK, IDC_COMPANION_LINK})
            if (!IsBoundAs<CStaticHyperLink>(hwnd, id))
                unbound.push_back(id);
        if (!IsBoundAs<CEnhancedListCtrl>(hwnd, IDC_RESULTS_LIST))
            unbound.push_back(IDC_RESULTS_LIST);

        HWND list = ::GetDlgItem(hwnd, IDC_RESULTS_LIST);
        listStyle = static_cast<DWORD>(::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
        HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
        const int columns = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < columns; ++i) {
            char text[64] = "";
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = text;
            column.cchTextMax = sizeof(text);
            ::SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
            headings.push_back(text);
            widths.push_back(column.cx);
        }
        hasRowImages = ::SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0) != 0;
        exportEnabled = ::IsWindowEnabled(::GetDlgItem(hwnd, IDC_EXPORT)) != FALSE;
        startEnabled = ::IsWindowEnabled(::GetDlgItem(hwnd, IDC_START_SCAN)) != FALSE;
        HFONT font = reinterpret_cast<HFONT>(::SendDlgItemMessageA(hwnd, IDC_COMPANION_LINK, WM_GETFONT, 0, 0));
        ::GetObjectA(font, sizeof(linkFont), &linkFont);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(unbound.empty());
    EXPECT_EQ(listStyle, static_cast<DWORD>(LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP));
    EXPECT_EQ(headings, (std::vector<std::string>{"Host IP Address", "Host Name", "Host MAC Address", "Description",
                                                  "Back Color Code", "Text Color Code"}));
    EXPECT_EQ(widths, (std::vector<int>{140, 180, 180, 180, 0, 0}));
    EXPECT_TRUE(hasRowImages);
    EXPECT_FALSE(exportEnabled);
    EXPECT_TRUE(startEnabled);
    // The window's own link font replaces the underlined one the link made itself.
    EXPECT_EQ(linkFont.lfHeight, 14);
    EXPECT_EQ(linkFont.lfWeight, 700);
    EXPECT_FALSE(linkFont.lfUnderline);
    EXPECT_STREQ(linkFont.lfFaceName, "MS Shell Dlg");
}

TEST(MainWindow, ButtonsAndLinksCarryTheirTips)
{
    struct Tip {
        int id;
        const char* text;
    };
    const Tip buttons[] = {
        {IDC_START_SCAN, "Click here to start the Wi-Fi Network Scan"},
        {IDC_EXPORT, "Save the Wireless Network report to HTML,XML,TEXT or CSV file"},
        {IDC_CLOSE, "Click here to close the application"},
    };
    const Tip links[] = {
        {IDC_HELP_LINK, "Get more help on 'Vantrel'"},
        {IDC_VERSION_LINK, "Click here to Download New Version of 'Vantrel'"},
        {IDC_COMPANION_LINK, "Click here to download new Keyharbor software to recover all your Wi-Fi Passwords"},
        {IDC_ABOUT_LINK, ""},  // its tip was never enabled
    };
    CSettingsKey key;
    std::vector<std::string> seen;
    RunMainWindow(LanDiscovery(), [&](HWND hwnd) {
        for (const Tip& b : buttons) {
            HWND button = ::GetDlgItem(hwnd, b.id);
            auto* shade = dynamic_cast<CxShadeButton*>(CWnd::FromHandle(button));
            seen.push_back(shade ? ToolTipText(shade->GetToolTip(), hwnd, reinterpret_cast<UINT_PTR>(button)) : "?");
        }
        for (const Tip& l : links) {
            HWND link = ::GetDlgItem(hwnd, l.id);
            auto* hyperlink = dynamic_cast<CStaticHyperLink*>(CWnd::FromHandle(link));
            seen.push_back(hyperlink ? ToolTipText(hyperlink->GetToolTipWindow(), link, CStaticHyperLink::kToolId) : "?");
        }
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    std::vector<std::string> expected;
    for (const Tip& b : buttons)
        expected.push_back(b.text);
    for (const Tip& l : links)
        expected.push_back(l.text);
    EXPECT_EQ(seen, expected);
}

TEST(MainWindow, LinksOpenTheirPagesAndAboutTellsTheWindowInstead)
{
    CSettingsKey key;
    std::vector<std::string> opened;
    std::vector<size_t> openedAfter;
    RunMainWindow(LanDiscovery(), [&](HWND hwnd) {
        ::SetForegroundWindow(hwnd);
        const int ids[] = {IDC_HELP_LINK, IDC_VERSION_LINK, IDC_COMPANION_LINK, IDC_ABOUT_LINK};
        for (int id : ids) {
            CStaticHyperLink* link = LinkOf(hwnd, id);
            ASSERT_NE(link, nullptr);
            RecordOpenedAddresses(*link, opened);
        }
        bool aboutLookedFor = false;
        for (int id : ids) {
            if (id == IDC_ABOUT_LINK) {
                // The window answers with the About box, tested on its own; closed again here.
                WhenWindowShows("#32770", "About Vantrel", kWaitMs, [&](HWND about) {
                    if (about)
                        ::PostMessageA(about, WM_CLOSE, 0, 0);
                    aboutLookedFor = true;
                });
            }
            MovePointerOnto(::GetDlgItem(hwnd, id));
            ClickLeft();
            openedAfter.push_back(opened.size());
        }
        PumpUntil([&] { return aboutLookedFor; }, INFINITE);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    // Show Help opens the page the program writes to the temporary folder.
    const std::string temp = TempFolderFromEnvironment();
    ASSERT_FALSE(temp.empty());
    const std::string helpPage = temp + "vantrel-help.html";
    EXPECT_EQ(opened, (std::vector<std::string>{helpPage, kProductPageAddress, kCompanionDownloadAddress}));
    EXPECT_EQ(openedAfter, (std::vector<size_t>{1, 2, 3, 3}));  // About opens nothing itself
}

}  // namespace
