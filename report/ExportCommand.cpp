#include "ExportCommand.h"

#include "net/TextConversion.h"

#include <shobjidl.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <vector>

const ReportFormatEntry ReportFormats[4] = {
    {"HTML File (*.html)", "*.html", ".html", ExportResultToFile, true},
    {"Text File (*.txt)", "*.txt", ".txt", ExportResultToTextFile, false},
    {"XML File (*.xml)", "*.xml", ".xml", ExportResultToXMLFile, false},
    {"CSV File (*.csv)", "*.csv", ".csv", ExportResultToCSVFile, false},
};

namespace {

const char kCaption[] = "Vantrel";

template <class T>
struct ComRelease {
    void operator()(T* object) const { object->Release(); }
};
template <class T>
using ComPointer = std::unique_ptr<T, ComRelease<T>>;

// COM for the length of one dialog, unless the thread already has it in another model.
class CComScope {
public:
    CComScope() : m_Initialised(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComScope()
    {
        if (m_Initialised)
            ::CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    bool m_Initialised;
};

// "label|pattern|label|pattern||" as the label and pattern pairs it holds.
std::vector<std::wstring> SplitFilter(const char* filter)
{
    std::vector<std::wstring> parts;
    std::string part;
    for (const char* c = filter; *c; ++c) {
        if (*c != '|') {
            part += *c;
            continue;
        }
        if (part.empty())
            break;
        parts.push_back(ToWide(part, CP_ACP));
        part.clear();
    }
    if (parts.size() % 2)
        parts.pop_back();
    return parts;
}

std::optional<SaveChoice> ShowSaveDialog(HWND owner, const char* filter, const char* initialName)
{
    CComScope com;
    IFileSaveDialog* created = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileSaveDialog,
                                  reinterpret_cast<void**>(&created))))
        return std::nullopt;
    ComPointer<IFileSaveDialog> dialog(created);

    const std::vector<std::wstring> parts = SplitFilter(filter);
    std::vector<COMDLG_FILTERSPEC> types;
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        types.push_back({parts[i].c_str(), parts[i + 1].c_str()});
    dialog->SetFileTypes(static_cast<UINT>(types.size()), types.data());
    dialog->SetFileTypeIndex(1);
    dialog->SetFileName(ToWide(initialName, CP_ACP).c_str());
    // The folder must exist. No question about an existing file here: the name given is
    // not yet the report's, whose extension follows the chosen format.
    dialog->SetOptions(FOS_PATHMUSTEXIST | FOS_FORCEFILESYSTEM);
    if (FAILED(dialog->Show(owner)))
        return std::nullopt;

    IShellItem* chosen = nullptr;
    if (FAILED(dialog->GetResult(&chosen)))
        return std::nullopt;
    ComPointer<IShellItem> item(chosen);
    wchar_t* name = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)))
        return std::nullopt;
    const std::unique_ptr<wchar_t, decltype(&::CoTaskMemFree)> path(name, &::CoTaskMemFree);
    SaveChoice choice;
    // A name the code page cannot hold keeps "?" for what it lacks, never a look-alike that
    // would name another file; no file name can hold "?".
    choice.Path = FromWide(path.get(), CP_ACP, WC_NO_BEST_FIT_CHARS);
    UINT index = 0;
    dialog->GetFileTypeIndex(&index);
    choice.FilterIndex = static_cast<int>(index);
    return choice;
}

// Notepad from the Windows directory, quoted as a directory may hold spaces, with the report
// as its one quoted argument; false when the line would not fit or the path could end the
// quotes.
bool FormatNotepadCommandLine(const std::string& path, const LaunchPlatform& launch,
                              char (&commandLine)[kNotepadCommandLineSize])
{
    char windowsDirectory[kWindowsDirectorySize];
    ReadWindowsDirectory(launch, windowsDirectory);
    if (path.find('"') != std::string::npos)
        return false;
    const int written =
        std::snprintf(commandLine, sizeof(commandLine), "\"%s\\notepad.exe\" \"%s\"", windowsDirectory, path.c_str());
    return written >= 0 && static_cast<size_t>(written) < sizeof(commandLine);
}

}  // namespace

void OpenReportViewer(const std::string& path, const ReportFormatEntry& format, const LaunchPlatform& launch)
{
    // A path too long for its buffer is not cut into the name of some other file.
    if (format.OpensInBrowser) {
        if (path.size() < kBrowserTargetSize)
            LaunchInternetExplorer(path.c_str(), launch);
        return;
    }
    char commandLine[kNotepadCommandLineSize];
    if (FormatNotepadCommandLine(path, launch, commandLine))
        LaunchApplication(commandLine, launch);
}

ExportPlatform SystemExportPlatform(HWND owner)
{
    ExportPlatform platform;
    platform.AskSavePath = [owner](const char* filter, const char* initialName) {
        return ShowSaveDialog(owner, filter, initialName);
    };
    platform.ShowFailure = [owner](const char* message) {
        ::MessageBoxA(owner, message, kCaption, MB_OK | MB_ICONERROR);
    };
    platform.ConfirmReplace = [owner](const std::string& fileName) {
        const std::string question = fileName + " already exists.\nDo you want to replace it?";
        return ::MessageBoxA(owner, question.c_str(), kCaption, MB_YESNO | MB_ICONWARNING) == IDYES;
    };
    platform.Launch = SystemLaunchPlatform();
    return platform;
}

std::string ReportPathFor(const std::string& chosenPath, const char* extension)
{
    const size_t slash = chosenPath.rfind('\\');
    const std::string folder = slash == std::string::npos ? std::string() : chosenPath.substr(0, slash);
    std::string name = slash == std::string::npos ? chosenPath : chosenPath.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return folder + "\\" + name + extension;
}

void ExportResults(const CReportRows& rows, const ExportPlatform& platform)
{
    const std::optional<SaveChoice> choice = platform.AskSavePath(kReportFilter, kReportInitialName);
    if (!choice || choice->FilterIndex < 1 || choice->FilterIndex > static_cast<int>(std::size(ReportFormats)))
        return;
    const ReportFormatEntry& format = ReportFormats[choice->FilterIndex - 1];
    const std::string path = ReportPathFor(choice->Path, format.Extension);
    if (IsFileExists(path.c_str()) && !platform.ConfirmReplace(path.substr(path.rfind('\\') + 1)))
        return;
    if (format.Writer(path.c_str(), rows, platform.ShowFailure))
        OpenReportViewer(path, format, platform.Launch);
}
