#include "message_box_recorder.h"

#include <gtest/gtest.h>

namespace harness {

namespace {

thread_local MessageBoxRecorder* t_pRecorder = nullptr;

// The message box's own control ids: its text and its icon.
constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 0x0440;

UINT IconType(HWND hBox) {
    HWND hIcon = GetDlgItem(hBox, kIconId);
    // The box is not shown yet when it activates: look at the icon's own style.
    if (hIcon == nullptr || (GetWindowLongA(hIcon, GWL_STYLE) & WS_VISIBLE) == 0) return 0;
    auto shown = reinterpret_cast<HICON>(SendMessageA(hIcon, STM_GETICON, 0, 0));
    if (shown == nullptr) return 0;
    const struct {
        LPCSTR id;
        UINT type;
    } icons[] = {{IDI_HAND, MB_ICONHAND},
                 {IDI_QUESTION, MB_ICONQUESTION},
                 {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                 {IDI_ASTERISK, MB_ICONASTERISK}};
    for (const auto& icon : icons) {
        if (LoadIconA(nullptr, icon.id) == shown) return icon.type;
    }
    return MB_USERICON;
}

std::string WindowText(HWND hWnd) {
    int len = GetWindowTextLengthA(hWnd);
    std::string text(len + 1, '\0');
    len = GetWindowTextA(hWnd, &text[0], len + 1);
    text.resize(len);
    return text;
}

// The main dialog is a #32770 with unnamed statics as well: a box also has the icon control.
// Activation can also be reported for another test process's box: only this thread's count.
bool IsMessageBox(HWND hWnd) {
    if (GetWindowThreadProcessId(hWnd, nullptr) != GetCurrentThreadId()) return false;
    char cls[64] = "";
    GetClassNameA(hWnd, cls, sizeof cls);
    return lstrcmpA(cls, "#32770") == 0 && GetDlgItem(hWnd, kTextId) != nullptr && GetDlgItem(hWnd, kIconId) != nullptr;
}

void Press(HWND hBox, int nButton) {
    PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hBox, nButton)));
}

LRESULT CALLBACK UnexpectedBoxHook(int code, WPARAM wParam, LPARAM lParam) {
    auto hWnd = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && t_pRecorder == nullptr && IsMessageBox(hWnd) &&
        GetPropA(hWnd, "harness.unexpected") == nullptr) {
        SetPropA(hWnd, "harness.unexpected", reinterpret_cast<HANDLE>(1));
        RecordedBox box;
        box.caption = WindowText(hWnd);
        box.text = WindowText(GetDlgItem(hWnd, kTextId));
        box.icon = IconType(hWnd);
        ADD_FAILURE() << "a message box that no test expects: " << Describe(box);
        Press(hWnd, IDOK);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void FailOnUnexpectedBoxes() {
    SetWindowsHookExA(WH_CBT, &UnexpectedBoxHook, nullptr, GetCurrentThreadId());
}

MessageBoxRecorder::MessageBoxRecorder(int nButton) : m_nButton(nButton) {
    t_pRecorder = this;
    m_hHook = SetWindowsHookExA(WH_CBT, &CbtHook, nullptr, GetCurrentThreadId());
}

MessageBoxRecorder::~MessageBoxRecorder() {
    UnhookWindowsHookEx(m_hHook);
    t_pRecorder = nullptr;
}

LRESULT CALLBACK MessageBoxRecorder::CbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && t_pRecorder != nullptr) t_pRecorder->OnActivate(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxRecorder::OnActivate(HWND hWnd) {
    if (!IsMessageBox(hWnd)) return;
    HWND hText = GetDlgItem(hWnd, kTextId);
    // Activation comes again when focus returns to the box: record it once.
    for (const RecordedBox& box : m_boxes) {
        if (GetPropA(hWnd, "harness.recorded") != nullptr && box.owner == GetWindow(hWnd, GW_OWNER)) return;
    }
    SetPropA(hWnd, "harness.recorded", reinterpret_cast<HANDLE>(1));
    RecordedBox box;
    box.caption = WindowText(hWnd);
    box.text = WindowText(hText);
    box.icon = IconType(hWnd);
    box.owner = GetWindow(hWnd, GW_OWNER);
    box.ownerDisabled = box.owner != nullptr && !IsWindowEnabled(box.owner);
    m_boxes.push_back(box);
    Press(hWnd, m_nButton);
}

std::string Describe(const RecordedBox& box) {
    return box.caption + "|" + box.text + "|" + std::to_string(box.icon);
}

}  // namespace harness
