#include "ShadeTestSupport.h"

#include "winlib/Wnd.h"

#include <windowsx.h>

namespace {
void PushWide(std::vector<WORD>& words, const char* text)
{
    for (const char* c = text; *c; ++c)
        words.push_back(static_cast<BYTE>(*c));  // the texts here are plain ASCII
    words.push_back(0);
}

void PushDword(std::vector<WORD>& words, DWORD value)
{
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

WORD PredefinedClassAtom(const char* windowClass)
{
    if (::lstrcmpiA(windowClass, "Button") == 0)
        return 0x0080;
    if (::lstrcmpiA(windowClass, "Static") == 0)
        return 0x0082;
    return 0;
}
}  // namespace

// ---- DialogTemplate ----

DialogTemplate::DialogTemplate(const char* caption, int cx, int cy)
{
    PushDword(m_Words, DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    PushDword(m_Words, 0);
    m_Words.push_back(0);  // item count, raised by Add
    m_Words.push_back(0);
    m_Words.push_back(0);
    m_Words.push_back(static_cast<WORD>(cx));
    m_Words.push_back(static_cast<WORD>(cy));
    m_Words.push_back(0);  // no menu
    m_Words.push_back(0);  // the dialog class
    PushWide(m_Words, caption);
    m_Words.push_back(8);
    PushWide(m_Words, "Tahoma");
}

void DialogTemplate::Align()
{
    if (m_Words.size() % 2 != 0)
        m_Words.push_back(0);
}

void DialogTemplate::Add(const char* windowClass, const char* text, int id, DWORD style, int x, int y, int cx,
                         int cy)
{
    Align();
    PushDword(m_Words, style | WS_CHILD);
    PushDword(m_Words, 0);
    m_Words.push_back(static_cast<WORD>(x));
    m_Words.push_back(static_cast<WORD>(y));
    m_Words.push_back(static_cast<WORD>(cx));
    m_Words.push_back(static_cast<WORD>(cy));
    m_Words.push_back(static_cast<WORD>(id));
    m_Words.push_back(0xFFFF);
    m_Words.push_back(PredefinedClassAtom(windowClass));
    PushWide(m_Words, text);
    m_Words.push_back(0);  // no creation data
    ++m_Words[4];
}

// ---- TestDialog ----

TestDialog::TestDialog(UINT templateId)
{
    ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(templateId), nullptr, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

TestDialog::TestDialog(const DialogTemplate& dialogTemplate)
{
    ::CreateDialogIndirectParamA(AfxGetResourceHandle(), dialogTemplate.Get(), nullptr, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
}

TestDialog::~TestDialog()
{
    if (m_Window && ::IsWindow(m_Window))
        ::DestroyWindow(m_Window);
}

int TestDialog::Clicks(int id) const
{
    const auto found = m_Clicks.find(id);
    return found == m_Clicks.end() ? 0 : found->second;
}

void TestDialog::Show()
{
    ::ShowWindow(m_Window, SW_SHOWNORMAL);
    ::SetForegroundWindow(m_Window);
    ::UpdateWindow(m_Window);
    PumpUntil(QueueIsEmpty);
}

void TestDialog::Pump(DWORD ms) const
{
    PumpUntil([] { return false; }, ms);
}

bool TestDialog::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) const
{
    return ::PumpUntil(done, timeoutMs, m_Window);
}

INT_PTR CALLBACK TestDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITDIALOG) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        reinterpret_cast<TestDialog*>(lp)->m_Window = hwnd;
        return TRUE;
    }
    auto* self = reinterpret_cast<TestDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    if (msg == WM_NCDESTROY) {
        self->m_Window = nullptr;
        return FALSE;
    }
    LRESULT result = 0;
    if (!self->Handle(msg, wp, lp, result))
        return FALSE;
    return SetDlgMsgResult(hwnd, msg, result);
}

bool TestDialog::Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_DRAWITEM:
    case WM_NOTIFY:
        return ReflectToChild(msg, wp, lp, result);
    case WM_COMMAND:
        if (ReflectToChild(msg, wp, lp, result))
            return true;
        if (HIWORD(wp) == BN_CLICKED)
            ++m_Clicks[LOWORD(wp)];
        return true;
    case WM_ERASEBKGND:
        if (!m_Background)
            return false;
        {
            RECT client{};
            ::GetClientRect(m_Window, &client);
            m_Background(reinterpret_cast<HDC>(wp), client);
        }
        result = TRUE;
        return true;
    case WM_CTLCOLORSTATIC:
        if (!m_Background)
            return false;
        ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    default:
        return false;
    }
}

// ---- pixels ----

Image RenderButton(HWND button, UINT itemState)
{
    RECT client{};
    ::GetClientRect(button, &client);
    PixelSurface surface(client.right, client.bottom, RGB(1, 2, 3));
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = static_cast<UINT>(::GetDlgCtrlID(button));
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = itemState;
    draw.hwndItem = button;
    draw.hDC = surface.Dc();
    draw.rcItem = client;
    ::SendMessageA(::GetParent(button), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    return surface.Read();
}

// ---- frames ----

namespace {
constexpr COLORREF kUnpainted = RGB(1, 2, 3);
}

Image FrameReference(int width, int height, const std::function<void(HDC, RECT&)>& draw)
{
    PixelSurface surface(width, height, kUnpainted);
    RECT rect{0, 0, width, height};
    draw(surface.Dc(), rect);
    return surface.Read();
}

int FrameMismatches(const Image& actual, const Image& reference)
{
    if (actual.width != reference.width || actual.height != reference.height)
        return -1;
    int mismatches = 0;
    for (size_t i = 0; i < reference.pixels.size(); ++i) {
        if (reference.pixels[i] != kUnpainted && reference.pixels[i] != actual.pixels[i])
            ++mismatches;
    }
    return mismatches;
}

Image RaisedFrame(int width, int height)
{
    return FrameReference(width, height, [](HDC dc, RECT& rect) { ::DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT); });
}

Image SunkenFrame(int width, int height)
{
    return FrameReference(width, height, [](HDC dc, RECT& rect) { ::DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT); });
}

Image DefaultFrame(int width, int height)
{
    return FrameReference(width, height, [](HDC dc, RECT& rect) {
        ::DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT);
        ::InflateRect(&rect, -1, -1);
        ::DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
    });
}

void KeyDown(WORD key, int times)
{
    for (int i = 0; i < times; ++i) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        ::SendInput(1, &input, sizeof(INPUT));
    }
}

void KeyUp(WORD key)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(1, &input, sizeof(INPUT));
}
