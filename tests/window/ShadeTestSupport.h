// Helpers for the shaded-button tests: a modeless test dialog (from a template resource or
// built at run time), pixel capture and key input.
#pragma once

#include "PixelSurface.h"
#include "PointerSupport.h"
#include "Wait.h"

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// A dialog template assembled in memory, in dialog units, font Tahoma 8.
class DialogTemplate {
public:
    DialogTemplate(const char* caption, int cx, int cy);
    // windowClass is a predefined class name ("Button", "Static").
    void Add(const char* windowClass, const char* text, int id, DWORD style, int x, int y, int cx, int cy);
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_Words.data()); }

private:
    void AddText(const char* text);
    void Align();

    std::vector<WORD> m_Words;
};

// A modeless dialog that, like the program's dialogs, hands draw requests and notifications
// back to the controls that sent them. It counts BN_CLICKED per control and never ends on
// IDOK or IDCANCEL.
class TestDialog {
public:
    explicit TestDialog(UINT templateId);
    explicit TestDialog(const DialogTemplate& dialogTemplate);
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND Hwnd() const { return m_Window; }
    HWND Item(int id) const { return ::GetDlgItem(m_Window, id); }
    int Clicks(int id) const;

    // Paints the client area behind the controls; static texts then draw transparently.
    void SetBackground(std::function<void(HDC, const RECT&)> painter) { m_Background = std::move(painter); }

    // Shows the dialog in front and lets it paint.
    void Show();
    // Runs the dialog's messages (with the dialog manager) for `ms` milliseconds: only to
    // prove that something does not happen.
    void Pump(DWORD ms) const;
    // Runs messages until done() holds or timeoutMs passed; returns done().
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    HWND m_Window = nullptr;
    std::map<int, int> m_Clicks;
    std::function<void(HDC, const RECT&)> m_Background;
};

// What the window shows on the screen now.
inline Image CaptureWindow(HWND hwnd) { return CaptureClient(hwnd); }

// Asks the button's parent to draw the button in `itemState` into a fresh surface, as the
// system's draw request would, and returns the result.
Image RenderButton(HWND button, UINT itemState);

// Real key input: `times` key-down events (the later ones arrive as auto-repeat), or a release.
void KeyDown(WORD key, int times = 1);
void KeyUp(WORD key);

// The frame that `draw` paints on a width x height surface, and how many of its pixels
// `actual` shows differently (pixels the frame does not paint are not compared).
Image FrameReference(int width, int height, const std::function<void(HDC, RECT&)>& draw);
int FrameMismatches(const Image& actual, const Image& reference);

// The system's raised edge, its sunken edge, and the default button's sunken outer edge
// with a raised inner one.
Image RaisedFrame(int width, int height);
Image SunkenFrame(int width, int height);
Image DefaultFrame(int width, int height);
