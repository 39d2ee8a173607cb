// Records every message box that this thread shows while the recorder lives,
// and answers each one by pressing a button, so that modal code runs on.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace harness {

struct RecordedBox {
    std::string caption;  // in the ANSI code page, as the program passed it
    std::string text;
    UINT icon = 0;  // MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONASTERISK or 0
    HWND owner = nullptr;
    bool ownerDisabled = false;  // the owner was disabled while the box was up: it was modal to it
};

class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int nButton = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<RecordedBox>& Boxes() const { return m_boxes; }

private:
    static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
    void OnActivate(HWND hWnd);

    HHOOK m_hHook;
    int m_nButton;
    std::vector<RecordedBox> m_boxes;
};

// "caption|text|icon" for readable comparisons in test failures.
std::string Describe(const RecordedBox& box);

// For the whole run of the calling thread: a message box shown while no recorder
// lives fails the running test and is closed, rather than waiting for a click
// that never comes until the test times out.
void FailOnUnexpectedBoxes();

}  // namespace harness
