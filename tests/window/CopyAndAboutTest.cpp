// The main window's results menu with its "Copy IP Address" command, and the ways to the
// About box: the system menu and the About link. Driven with real input where a user would.
#include "controls/ControlMessages.h"
#include "res/resource.h"
#include "ClipboardTestSupport.h"
#include "LinkTestSupport.h"
#include "MainWindowSupport.h"
#include "PointerSupport.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kMainCaption = "Vantrel";
constexpr const char* kAboutCaption = "About Vantrel";
constexpr const char* kInterimText = "Found! Getting Host Name Now....";

// Rows are appended as a probe appends them: address in column 0, description in column 3.
int AppendRow(HWND list, const char* address, const char* description = "")
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(address);
    const int row = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    LVITEMA cell{};
    cell.iSubItem = 3;
    cell.pszText = const_cast<char*>(description);
    ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    return row;
}

int SelectedRow(HWND list)
{
    return static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// A screen point in the list below its last row.
POINT BelowTheRows(HWND list)
{
    RECT client{};
    ::GetClientRect(list, &client);
    POINT point{60, client.bottom - 10};
    ::ClientToScreen(list, &point);
    return point;
}

// Visible top-level windows of this thread (a message box would be one more).
BOOL CALLBACK CountIfVisible(HWND window, LPARAM counter)
{
    *reinterpret_cast<int*>(counter) += ::IsWindowVisible(window) ? 1 : 0;
    return TRUE;
}

int CountVisibleWindows()
{
    int count = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), CountIfVisible, reinterpret_cast<LPARAM>(&count));
    return count;
}


void SendKeys(std::initializer_list<std::pair<WORD, bool>> keys)
{
    std::vector<INPUT> inputs;
    for (const auto& [key, down] : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// What a shown popup menu offered and where.
struct MenuSeen {
    bool shown = false;
    std::vector<std::string> items;
    UINT firstId = 0;
    SIZE picture{};  // of the first item's unchecked-state picture
    POINT corner{};  // the menu window's top-left corner
    POINT pointer{};
};

// Runs from within the menu's own loop: records the popup and either chooses its first
// item with a real click or dismisses it. Pumping here would steal the menu's input.
void LookAtMenu(MenuSeen& seen, bool choose)
{
    HWND window = VisibleWindow("#32768", nullptr);
    if (!window)
        return;
    seen.shown = true;
    HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(window, MN_GETHMENU, 0, 0));
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        seen.items.push_back(text);
    }
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_CHECKMARKS;
    ::GetMenuItemInfoA(menu, 0, TRUE, &info);
    seen.firstId = info.wID;
    BITMAP picture{};
    if (info.hbmpUnchecked && ::GetObjectA(info.hbmpUnchecked, sizeof(picture), &picture))
        seen.picture = SIZE{picture.bmWidth, picture.bmHeight};
    RECT rect{};
    ::GetWindowRect(window, &rect);
    seen.corner = POINT{rect.left, rect.top};
    ::GetCursorPos(&seen.pointer);
    if (!choose) {
        ::EndMenu();
        return;
    }
    RECT item{};
    ::GetMenuItemRect(nullptr, menu, 0, &item);
    ::SetCursorPos((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    INPUT click[2]{};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, click, sizeof(INPUT));
}

// Right-clicks a screen point with the real pointer; a menu that comes up is looked at and,
// when `choose`, its item is chosen, else it is dismissed.
MenuSeen RightClickAt(POINT point, bool choose)
{
    // Where no menu is to come, the look ends its wait after this long.
    constexpr DWORD kNoMenuWithinMs = 800;
    MenuSeen seen;
    bool looked = false;
    const DWORD start = ::GetTickCount();
    std::function<void()> look = [&] {
        if (!VisibleWindow("#32768", nullptr) && ::GetTickCount() - start < kNoMenuWithinMs) {
            AfterDelay(20, look);
            return;
        }
        LookAtMenu(seen, choose);
        looked = true;
    };
    MovePointerTo(point);
    AfterDelay(20, look);
    ClickRight();
    // `look` runs from this thread's timers, in the menu's loop or in this wait, and always
    // ends by itself; it uses this frame, so nothing returns before it has.
    PumpUntil([&] { return looked; }, INFINITE);
    return seen;
}

// An About box that comes up while this lives is looked at and closed with Escape.
struct AboutSeen {
    int opened = 0;
    HWND owner = nullptr;
    bool mainDisabled = false;
    RECT placed{};
    std::function<void(HWND about)> whileOpen;
};

// Runs `trigger` and waits up to `ms` for an About box; one that shows is recorded and closed.
void WatchForAbout(HWND main, AboutSeen& seen, const std::function<void()>& trigger, DWORD ms = 1000)
{
    const DWORD start = ::GetTickCount();
    std::atomic<bool> finished{false};
    std::function<void()> poll;
    HWND handled = nullptr;
    poll = [&] {
        HWND about = VisibleWindow("#32770", kAboutCaption);
        if (about && about != handled) {
            handled = about;
            ++seen.opened;
            seen.owner = ::GetWindow(about, GW_OWNER);
            seen.mainDisabled = !::IsWindowEnabled(main);
            ::GetWindowRect(about, &seen.placed);
            if (seen.whileOpen)
                seen.whileOpen(about);
            ::SetForegroundWindow(about);
            PressKey(VK_ESCAPE);
        }
        if (!about && ::GetTickCount() - start > ms) {
            // A menu the trigger opened must not stay open for ever.
            ::EndMenu();
            finished = true;
            return;
        }
        AfterDelay(50, poll);
    };
    AfterDelay(50, poll);
    trigger();
    PumpUntil([&] { return finished.load(); }, ms + 20000);
}

// Runs `test` on the main window (made-up discovery, no scan) once it shows, then closes it.
void WithMainWindow(const std::function<void(HWND main)>& test)
{
    ParkPointer();
    const INT_PTR result = RunMainWindow(LanDiscovery(), [&](HWND main) {
        ::SetForegroundWindow(main);
        PumpUntilHandled();
        test(main);
        ParkPointer();
        ::PostMessageA(main, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(CopyAddress, RightClickOnARowOffersTheCommandAtThePointerAndCopiesThatRow)
{
    SeedClipboardText(TextBytes("before"));
    MenuSeen menu;
    int selected = -1;
    WithMainWindow([&](HWND main) {
        HWND list = ResultsList(main);
        AppendRow(list, "192.168.0.1", "Router");
        AppendRow(list, "192.168.0.10", "laptop");
        AppendRow(list, "192.168.0.254");
        menu = RightClickAt(OnRow(list, 1), true);
        selected = SelectedRow(list);
        PumpUntilHandled();
    });
    EXPECT_EQ(selected, 1);
    EXPECT_TRUE(menu.shown);
    // Copy IP Address first, with its picture; the own device names' item below it.
    EXPECT_EQ(menu.items, (std::vector<std::string>{"Copy IP Address", "Name This Device..."}));
    EXPECT_EQ(menu.firstId, static_cast<UINT>(ID_COPY_ADDRESS));
    EXPECT_EQ(menu.picture.cx, 13);
    EXPECT_EQ(menu.picture.cy, 13);
    EXPECT_EQ(menu.corner.x, menu.pointer.x);
    EXPECT_EQ(menu.corner.y, menu.pointer.y);
    // Twelve characters and the zero byte, for this program's other threads and for others.
    EXPECT_EQ(ReadClipboardText(), TextBytes("192.168.0.10"));
    EXPECT_EQ(ReadClipboardTextInAnotherProgram(), TextBytes("192.168.0.10"));
}

TEST(CopyAddress, RightClickThatLeavesNoRowSelectedShowsNoMenu)
{
    MenuSeen inEmptyList, belowRows;
    int selectedAfter = 0;
    WithMainWindow([&](HWND main) {
        HWND list = ResultsList(main);
        inEmptyList = RightClickAt(BelowTheRows(list), false);
        AppendRow(list, "192.168.0.1");
        AppendRow(list, "192.168.0.2");
        MovePointerTo(OnRow(list, 0));
        ClickLeft();
        ASSERT_EQ(SelectedRow(list), 0);
        // Clicking beside every row clears the selection first.
        belowRows = RightClickAt(BelowTheRows(list), false);
        selectedAfter = SelectedRow(list);
    });
    EXPECT_FALSE(inEmptyList.shown);
    EXPECT_EQ(selectedAfter, -1);
    EXPECT_FALSE(belowRows.shown);
}

TEST(CopyAddress, CommandCopiesColumnZeroOfTheSelectedRowAndNothingElse)
{
    const std::string longCell(1200, '7');
    struct Case {
        const char* name;
        int select;  // -1: none
        bool holdClipboard;
        std::vector<char> expected;
    };
    const Case cases[] = {
        {"selected row", 2, false, TextBytes("10.1.2.254")},
        {"cell longer than the buffer", 3, false, TextBytes(longCell.substr(0, 999).c_str())},
        {"no row selected", -1, false, TextBytes("before")},
        {"clipboard held by another program", 2, true, TextBytes("before")},
    };
    WithMainWindow([&](HWND main) {
        HWND list = ResultsList(main);
        AppendRow(list, "10.1.2.1", "Router");
        AppendRow(list, "10.1.2.3", kInterimText);
        AppendRow(list, "10.1.2.254", "This computer");
        AppendRow(list, longCell.c_str());
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            SeedClipboardText(TextBytes("before"));
            SelectRow(list, c.select >= 0 ? c.select : -1);
            const int windowsBefore = CountVisibleWindows();
            int windowsDuring = 0;
            {
                std::unique_ptr<CClipboardHolder> holder;
                if (c.holdClipboard)
                    holder = std::make_unique<CClipboardHolder>();
                ::PostMessageA(main, WM_COMMAND, ID_COPY_ADDRESS, 0);
                PumpUntilHandled();
                // Absence: no message box comes up a little later either.
                PumpMessages(150);
                windowsDuring = CountVisibleWindows();
            }
            // No message of any kind.
            EXPECT_EQ(windowsDuring, windowsBefore);
            EXPECT_EQ(ReadClipboardText(), c.expected);
        }
    });
}

TEST(CopyAddress, WorksAndTheAboutBoxOpensWhileAScanAddsRows)
{
    SeedClipboardText(TextBytes("before"));
    MenuSeen menu;
    AboutSeen about;
    int rowsWhenAboutOpened = 0, rowsWhenAboutClosed = 0;
    std::atomic<bool> stop{false};
    std::atomic<int> added{0};
    std::atomic<bool> scanEnded{false};
    std::thread scan;
    WithMainWindow([&](HWND main) {
        HWND list = ResultsList(main);
        AppendRow(list, "10.0.0.1", "Router");
        AppendRow(list, "10.0.0.7", kInterimText);
        // A probe thread's way of adding rows: messages the window's own thread carries out.
        scan = std::thread([&stop, &added, &scanEnded, list] {
            for (int i = 10; i < 250 && !stop; ++i) {
                char address[16];
                std::snprintf(address, sizeof(address), "10.0.0.%d", i);
                AppendRow(list, address, kInterimText);
                ++added;
            }
            scanEnded = true;
        });
        menu = RightClickAt(OnRow(list, 1), true);
        PumpUntilHandled();
        about.whileOpen = [&](HWND) {
            rowsWhenAboutOpened = added;
            // The list keeps filling while the box is up.
            PumpUntil([&] { return added >= rowsWhenAboutOpened + 5; });
            rowsWhenAboutClosed = added;
        };
        WatchForAbout(main, about, [main] { ::PostMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); });
        stop = true;
        // The thread's last message needs this thread to carry it out.
        PumpUntil([&] { return scanEnded.load(); }, INFINITE);
        scan.join();
    });
    if (scan.joinable()) {
        stop = true;
        scan.join();
    }
    EXPECT_TRUE(menu.shown);
    EXPECT_EQ(ReadClipboardText(), TextBytes("10.0.0.7"));
    EXPECT_EQ(about.opened, 1);
    EXPECT_GE(rowsWhenAboutClosed, rowsWhenAboutOpened + 5);
}

TEST(AboutCommands, SystemMenuEntryChosenWithTheKeyboardOpensTheAboutBox)
{
    AboutSeen about;
    bool systemMenuShown = false;
    bool menuLookedFor = false;
    HWND mainWindow = nullptr;
    bool mainEnabledAfter = false;
    WithMainWindow([&](HWND main) {
        mainWindow = main;
        WatchForAbout(main, about, [&] {
            // Alt+Space opens the system menu; Up wraps round to its last entry, ours. The keys
            // go only to the open menu: an Enter that reached the window would press its
            // default button, Start Scan.
            WhenWindowShows("#32768", nullptr, kWaitMs, [&](HWND menu) {
                systemMenuShown = menu != nullptr;
                if (menu)
                    SendKeys({{VK_UP, true}, {VK_UP, false}, {VK_RETURN, true}, {VK_RETURN, false}});
                menuLookedFor = true;
            });
            ::SetForegroundWindow(main);
            SendKeys({{VK_MENU, true}, {VK_SPACE, true}, {VK_SPACE, false}, {VK_MENU, false}});
        }, 3000);
        // The look uses this frame: it has run before anything returns.
        PumpUntil([&] { return menuLookedFor; }, INFINITE);
        mainEnabledAfter = ::IsWindowEnabled(main) != FALSE;
    });
    EXPECT_TRUE(systemMenuShown);
    EXPECT_EQ(about.opened, 1);
    EXPECT_EQ(about.owner, mainWindow);
    EXPECT_TRUE(about.mainDisabled);
    EXPECT_TRUE(mainEnabledAfter);
}

TEST(AboutCommands, OnlySystemCommands0x10To0x1FOpenTheAboutBoxOthersWorkAsUsual)
{
    struct Case {
        UINT id;
        int opened;
    };
    const Case cases[] = {{0x0010, 1}, {0x0011, 1}, {0x001F, 1}, {0x0000, 0}, {0x0020, 0}, {0x0100, 0}};
    bool minimised = false, restored = false;
    WithMainWindow([&](HWND main) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.id);
            AboutSeen about;
            WatchForAbout(main, about, [&] { ::PostMessageA(main, WM_SYSCOMMAND, c.id, 0); }, 600);
            EXPECT_EQ(about.opened, c.opened);
        }
        ::PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        minimised = PumpUntil([&] { return ::IsIconic(main) != FALSE; });
        ::PostMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
        restored = PumpUntil([&] { return !::IsIconic(main) && ::IsWindowVisible(main); });
    });
    EXPECT_TRUE(minimised);
    EXPECT_TRUE(restored);
}

TEST(AboutCommands, AboutLinkOpensTheBoxAndNoOtherLinkIdentifierDoes)
{
    std::vector<std::string> opened;
    AboutSeen byClick;
    HWND mainWindow = nullptr;
    RECT mainPlaced{};
    std::vector<std::pair<WPARAM, int>> bySend;
    std::vector<LRESULT> answers;
    WithMainWindow([&](HWND main) {
        mainWindow = main;
        ::GetWindowRect(main, &mainPlaced);
        CStaticHyperLink* aboutLink = LinkOf(main, IDC_ABOUT_LINK);
        ASSERT_NE(aboutLink, nullptr);
        RecordOpenedAddresses(*aboutLink, opened);
        WatchForAbout(main, byClick, [main] {
            MovePointerOnto(::GetDlgItem(main, IDC_ABOUT_LINK));
            ClickLeft();
        });
        ParkPointer();
        for (const WPARAM id : {WPARAM{IDC_ABOUT_LINK}, WPARAM{IDC_HELP_LINK}, WPARAM{IDC_VERSION_LINK},
                                WPARAM{IDC_COMPANION_LINK}, WPARAM{0}}) {
            AboutSeen about;
            WatchForAbout(main, about, [&] { answers.push_back(::SendMessageA(main, WM_LINK_CLICKED, id, 0)); }, 500);
            bySend.emplace_back(id, about.opened);
        }
    });
    EXPECT_EQ(byClick.opened, 1);
    EXPECT_EQ(byClick.owner, mainWindow);
    // It comes up centred over the main window.
    EXPECT_NEAR(byClick.placed.left + byClick.placed.right, mainPlaced.left + mainPlaced.right, 1);
    EXPECT_NEAR(byClick.placed.top + byClick.placed.bottom, mainPlaced.top + mainPlaced.bottom, 1);
    using Opened = std::pair<WPARAM, int>;
    EXPECT_EQ(bySend, (std::vector<Opened>{{IDC_ABOUT_LINK, 1}, {IDC_HELP_LINK, 0}, {IDC_VERSION_LINK, 0},
                                           {IDC_COMPANION_LINK, 0}, {0, 0}}));
    EXPECT_EQ(answers, std::vector<LRESULT>(5, 0));
    // The About link tells its window; it opens no page.
    EXPECT_TRUE(opened.empty());
}

}  // namespace
