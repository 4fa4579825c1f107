// Reports read from the real results list, and the Export command through the real Save
// As dialog (Wine titles it "Save"; file name edit 1152, type list 1136).
#include "report/ExportCommand.h"
#include "report/ListReportRows.h"
#include "report/ReportFormat.h"
#include "res/resource.h"
#include "ui/CorvaleDlg.h"
#include "ReportFixtures.h"
#include "SaveDialog.h"
#include "TestResultsList.h"
#include "WindowTestSupport.h"
#include "TestMainWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

void FillList(CEnhancedListCtrl& list, const std::vector<ReportRow>& rows)
{
    for (const ReportRow& row : rows) {
        const int index = list.InsertItem(list.GetItemCount(), row[0].c_str(), 0);
        for (int column = 1; column < 4; ++column)
            list.SetItemText(index, column, row[static_cast<size_t>(column)].c_str());
    }
}

TEST(ListReportRows, ReadTheFourVisibleColumnsOfEachRow)
{
    CTestResultsList results;
    ASSERT_TRUE(results.IsCreated());
    FillList(results.List(), ReportTable("three-rows"));
    results.List().SetRowColors(0, RGB(255, 0, 0));  // the hidden colour columns hold text too
    const CListReportRows rows(results.List());
    EXPECT_EQ(FormatHtmlReport(rows), ExpectedReport("three-rows.html"));
    EXPECT_EQ(FormatTextReport(rows), ExpectedReport("three-rows.txt"));
    EXPECT_EQ(FormatXmlReport(rows), ExpectedReport("three-rows.xml"));
    EXPECT_EQ(FormatCsvReport(rows), ExpectedReport("three-rows.csv"));
}

TEST(ListReportRows, CutCellsToTheBufferOrReadThemWhole)
{
    CTestResultsList results;
    ASSERT_TRUE(results.IsCreated());
    const std::string name1200 = std::string(1199, 'n') + "N";
    const std::string name12000 = std::string(11999, 'm') + "M";
    FillList(results.List(), {{"10.0.0.1", name1200, "", ""}, {"10.0.0.2", name12000, "", ""}});
    const CListReportRows rows(results.List());

    EXPECT_EQ(rows.GetRowCount(), 2);
    EXPECT_EQ(rows.GetCellText(0, 1, 1000), name1200.substr(0, 999));
    EXPECT_EQ(rows.GetCellText(0, 1, 10000), name1200);
    EXPECT_EQ(rows.GetCellText(1, 1, 10000), name12000.substr(0, 9999));
    EXPECT_EQ(rows.GetCellText(1, 1, 0), name12000);
    EXPECT_EQ(rows.GetCellText(1, 2, 0), "");
}

struct SaveDialogSeen {
    bool shown = false;
    HWND owner = nullptr;
    std::string fileName;
    std::vector<std::string> types;
    int selectedType = -1;
};

// Notes what the Save dialog offers, then types `name` (empty: cancels), chooses the type
// entry `typeIndex` (0-based) and saves; `then` watches for what follows the dialog.
void AnswerSaveDialog(SaveDialogSeen& seen, const std::string& name, int typeIndex,
                      std::function<void()> then = nullptr)
{
    WhenDialogShows(kSaveDialogCaption, [&seen, name, typeIndex, then](HWND dialog) {
        seen.shown = true;
        seen.owner = ::GetWindow(dialog, GW_OWNER);
        char text[MAX_PATH] = "";
        ::GetDlgItemTextA(dialog, kSaveFileNameEdit, text, sizeof(text));
        seen.fileName = text;
        HWND types = ::GetDlgItem(dialog, kSaveFileTypeList);
        const int count = static_cast<int>(::SendMessageA(types, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            ::SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            seen.types.push_back(text);
        }
        seen.selectedType = static_cast<int>(::SendMessageA(types, CB_GETCURSEL, 0, 0));
        if (name.empty()) {
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        SaveThroughDialog(dialog, name, typeIndex);
        if (then)
            then();
    });
}

struct MessageBoxSeen {
    bool shown = false;
    HWND owner = nullptr;
    std::string text;
    std::vector<HICON> icons;
    std::vector<int> buttons;  // of IDOK, IDCANCEL, IDYES, IDNO
};

// Notes what the next "Vantrel" box shows and presses `answer`.
void AnswerMessageBox(MessageBoxSeen& seen, int answer)
{
    WhenDialogShows("Vantrel", [&seen, answer](HWND box) {
        seen.shown = true;
        seen.owner = ::GetWindow(box, GW_OWNER);
        char text[512] = "";
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
        seen.text = text;
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            if (HICON icon = reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0)))
                seen.icons.push_back(icon);
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
            if (::GetDlgItem(box, id))
                seen.buttons.push_back(id);
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, answer)));
    });
}

// Records what the command would open instead of opening it.
void RecordLaunches(ExportPlatform& platform, std::vector<std::string>& launches)
{
    platform.Launch.ShellOpen = [&launches](const char* target) -> INT_PTR {
        launches.push_back(std::string("open ") + target);
        return 42;
    };
    platform.Launch.StartProcess = [&launches](char* commandLine, DWORD, const STARTUPINFOA&) {
        launches.push_back(std::string("start ") + commandLine);
        return true;
    };
}

std::string NotepadLine(const std::string& path)
{
    char windows[MAX_PATH] = "";
    ::GetSystemWindowsDirectoryA(windows, sizeof(windows));
    return "start \"" + std::string(windows) + "\\notepad.exe\" \"" + path + "\"";
}

const std::vector<std::string> kTypeLabels = {"HTML File (*.html)", "Text File (*.txt)", "XML File (*.xml)",
                                              "CSV File (*.csv)"};

TEST(ExportCommand, SavesEachFormatThroughTheSaveDialogAndOpensIt)
{
    CTestResultsList results;
    ASSERT_TRUE(results.IsCreated());
    FillList(results.List(), ReportTable("three-rows"));
    HWND owner = ::GetParent(results.List().m_hWnd);
    const std::string folder = MakeTestFolder("vantrel-export-dialog");
    const char* extensions[] = {"html", "txt", "xml", "csv"};

    for (int type = 0; type < 4; ++type) {
        SCOPED_TRACE(extensions[type]);
        ExportPlatform platform = SystemExportPlatform(owner);
        std::vector<std::string> launches;
        RecordLaunches(platform, launches);
        SaveDialogSeen seen;
        // Without a dot: Wine adds the chosen type's extension to any other ending.
        AnswerSaveDialog(seen, folder + "wine-export", type);
        ExportResults(CListReportRows(results.List()), platform);

        ASSERT_TRUE(seen.shown);
        EXPECT_EQ(seen.owner, owner);
        EXPECT_EQ(seen.fileName, "VantrelReport");
        EXPECT_EQ(seen.types, kTypeLabels);
        EXPECT_EQ(seen.selectedType, 0);
        const std::string path = folder + "wine-export." + extensions[type];
        EXPECT_EQ(ReadFileBytes(path), ExpectedReport(std::string("three-rows.") + extensions[type]));
        EXPECT_EQ(launches, std::vector<std::string>{type == 0 ? "open " + path : NotepadLine(path)});
    }
}

// The Save dialog is not asked to confirm: the name it would ask about is not yet the one
// written. The command asks about that one, with the system's usual question.
TEST(ExportCommand, AsksBeforeReplacingAnExistingFile)
{
    CTestResultsList results;
    ASSERT_TRUE(results.IsCreated());
    FillList(results.List(), ReportTable("three-rows"));
    HWND owner = ::GetParent(results.List().m_hWnd);
    const std::string folder = MakeTestFolder("vantrel-export-question");
    const std::string path = folder + "wine-export.csv";
    const std::string before(3000, '#');

    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        WriteReportFile(path.c_str(), before);
        ExportPlatform platform = SystemExportPlatform(owner);
        std::vector<std::string> launches;
        RecordLaunches(platform, launches);
        SaveDialogSeen saveSeen;
        MessageBoxSeen question;
        AnswerSaveDialog(saveSeen, folder + "wine-export", 3, [&] { AnswerMessageBox(question, answer); });
        ExportResults(CListReportRows(results.List()), platform);
        StopWatchingForDialog();

        ASSERT_TRUE(saveSeen.shown);
        ASSERT_TRUE(question.shown);
        EXPECT_EQ(question.owner, owner);
        EXPECT_EQ(question.text, "wine-export.csv already exists.\nDo you want to replace it?");
        EXPECT_EQ(question.icons, std::vector<HICON>{::LoadIconA(nullptr, IDI_WARNING)});
        EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
        if (answer == IDYES) {
            EXPECT_EQ(ReadFileBytes(path), ExpectedReport("three-rows.csv"));
            EXPECT_EQ(launches, std::vector<std::string>{NotepadLine(path)});
        } else {
            EXPECT_EQ(ReadFileBytes(path), before);
            EXPECT_TRUE(launches.empty());
        }
    }
}

TEST(ExportCommand, ShowsAWritersFailureInAnErrorBoxOverTheOwner)
{
    CTestResultsList results;
    ASSERT_TRUE(results.IsCreated());
    HWND owner = ::GetParent(results.List().m_hWnd);
    HWND shownOwner = nullptr;
    std::string text;
    bool errorIcon = false;
    bool onlyOk = false;
    WhenDialogShows("Vantrel", [&](HWND box) {
        shownOwner = ::GetWindow(box, GW_OWNER);
        char buffer[256] = "";
        ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof(buffer));
        text = buffer;
        // The box shows the system's own error icon in one of its statics.
        const HICON error = ::LoadIconA(nullptr, IDI_ERROR);
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            errorIcon = errorIcon || reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0)) == error;
        onlyOk = ::GetDlgItem(box, IDOK) && !::GetDlgItem(box, IDCANCEL) && !::GetDlgItem(box, IDNO);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    SystemExportPlatform(owner).ShowFailure("Failed to write.\nSecond line.");
    EXPECT_EQ(shownOwner, owner);
    EXPECT_EQ(text, "Failed to write.\nSecond line.");
    EXPECT_TRUE(errorIcon);
    EXPECT_TRUE(onlyOk);
}

TEST(MainWindow, ExportAsksForTheReportsNameOverTheMainWindow)
{
    CTestMainWindow dialog(LanDiscovery());
    HWND mainWindow = nullptr;
    SaveDialogSeen seen;
    WhenDialogShows("Vantrel", [&](HWND hwnd) {
        mainWindow = hwnd;
        AnswerSaveDialog(seen, "", 0);
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_EXPORT, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDC_EXPORT)));
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    dialog.DoModal();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.owner, mainWindow);
    EXPECT_EQ(seen.fileName, "VantrelReport");
    EXPECT_EQ(seen.types, kTypeLabels);
    EXPECT_EQ(seen.selectedType, 0);
}

}  // namespace
