// One timed scan of the real program, for tools/bench.sh and tools/demo.sh: starts
// vantrel.exe in Automatic mode and prints READY; after a line on stdin clicks Start Scan,
// times the click to the summary box while another thread asks the window for WM_NULL
// every 10 ms, prints the figures and the summary; after another line presses OK, asks for
// WM_NULL again until the window is idle (rows renumbered and sorted), prints that worst
// answer, the rows and DONE; after a third line closes the program and prints its exit
// code, unless that line is "again": then the next line starts another scan of the same
// program (tools/soak.sh). The caller reads memory figures or takes screenshots in between.
// With a moment, instead: closes the program at that moment of a scan and prints how long it
// took to end after the close, and its exit code (tools/close-timing.sh).
//   scan_driver.exe PATH\vantrel.exe [idle|probes|summary|sort]
#include "VantrelDriver.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr DWORD kPingIntervalMs = 10;
constexpr DWORD kPingTimeoutMs = 10000;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

// The line read, without its end.
std::string WaitForLine()
{
    char line[64] = "";
    if (!std::fgets(line, sizeof(line), stdin))
        return std::string();
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// The window's answer time: from construction to Stop, another thread asks the window for
// WM_NULL every 10 ms and keeps the longest wait for its thread.
class CAnswerWatch {
public:
    explicit CAnswerWatch(HWND window) : m_Thread([this, window] { Ping(window); }) {}
    ~CAnswerWatch() { Stop(); }
    CAnswerWatch(const CAnswerWatch&) = delete;
    CAnswerWatch& operator=(const CAnswerWatch&) = delete;

    // The worst answer in milliseconds.
    double Stop()
    {
        m_Running = false;
        if (m_Thread.joinable())
            m_Thread.join();
        return m_Worst;
    }

private:
    void Ping(HWND window)
    {
        while (m_Running) {
            const LARGE_INTEGER sent = Now();
            DWORD_PTR result = 0;
            ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kPingTimeoutMs, &result);
            const double answer = Milliseconds(sent, Now());
            if (answer > m_Worst)
                m_Worst = answer;
            ::Sleep(kPingIntervalMs);
        }
    }

    std::atomic<bool> m_Running{true};
    double m_Worst = 0;
    std::thread m_Thread;  // last: starts once the rest is there
};

// One scan: Start, the summary, OK and the rows; false (with an ERROR line) when it failed.
bool Scan(CVantrelProcess& program)
{
    CAnswerWatch duringRun(program.MainWindow());
    const LARGE_INTEGER clicked = Now();
    program.ClickStartStop();
    HWND box = nullptr;
    PumpUntil([&] { return (box = program.FindSummaryBox()) != nullptr; }, CVantrelProcess::kDefaultTimeoutMs);
    const LARGE_INTEGER summarised = Now();
    const double worstAnswer = duringRun.Stop();
    if (!box) {
        std::printf("ERROR no summary box\n");
        return false;
    }
    std::printf("TIME_MS %.0f\n", Milliseconds(clicked, summarised));
    std::printf("WORST_ANSWER_MS %.0f\n", worstAnswer);
    std::printf("SUMMARY %s\n", CVantrelProcess::MessageBoxText(box).c_str());
    std::fflush(stdout);
    WaitForLine();
    CAnswerWatch afterRun(program.MainWindow());
    CVantrelProcess::PressOk(box);
    const bool idle = program.WaitForIdle();
    const double worstAnswerAfter = afterRun.Stop();
    if (!idle) {
        std::printf("ERROR the window did not come back\n");
        return false;
    }
    std::printf("WORST_ANSWER_AFTER_MS %.0f\n", worstAnswerAfter);
    for (const ListedHost& row : program.ReadRows())
        std::printf("ROW %s|%s|%s|%s\n", row.address.c_str(), row.name.c_str(), row.mac.c_str(),
                    row.description.c_str());
    std::printf("DONE\n");
    std::fflush(stdout);
    return true;
}

// Closes the program at `moment` (false: no such moment, or it never came) and prints the
// time from the close to the end of the process and its exit code.
bool CloseAt(CVantrelProcess& program, const std::string& moment)
{
    bool summaryUp = false;
    if (moment != "idle") {
        program.ClickStartStop();
        if (moment == "probes") {
            // Stop Scan shows once the run has begun: its probes wait for their answers.
            if (!program.WaitForCaption("Stop Scan"))
                return false;
        } else {
            HWND box = program.WaitForSummaryBox();
            if (!box)
                return false;
            summaryUp = moment == "summary";
            if (moment == "sort")
                CVantrelProcess::PressOk(box);  // the rows are renumbered and sorted next
            else if (!summaryUp)
                return false;
        }
    }
    const LARGE_INTEGER closed = Now();
    // The summary disables the window: only a close request from outside reaches it.
    if (summaryUp)
        program.RequestClose();
    else
        program.Close();
    DWORD exitCode = 1;
    const bool ended = program.WaitForExit(CVantrelProcess::kDefaultTimeoutMs, exitCode);
    std::printf("CLOSE_TO_EXIT_MS %.0f\n", Milliseconds(closed, Now()));
    std::printf("EXIT %lu\n", ended ? exitCode : 999UL);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: scan_driver PATH\\vantrel.exe [idle|probes|summary|sort]\n");
        return 2;
    }
    CVantrelProcess program;
    std::string error;
    if (!program.Launch(argv[1], error)) {
        std::printf("ERROR %s\n", error.c_str());
        return 1;
    }
    program.ChooseAutomatic();
    if (argc == 3) {
        if (CloseAt(program, argv[2]))
            return 0;
        std::printf("ERROR no moment '%s' came\n", argv[2]);
        return 1;
    }
    std::printf("READY\n");
    std::fflush(stdout);
    do {
        WaitForLine();
        if (!Scan(program))
            return 1;
    } while (WaitForLine() == "again");

    program.Close();
    DWORD exitCode = 1;
    const bool ended = program.WaitForExit(CVantrelProcess::kDefaultTimeoutMs, exitCode);
    std::printf("EXIT %lu\n", ended ? exitCode : 999UL);
    return 0;
}
