#include "winui/message_boxes.h"

#include "winui/application.h"

namespace winui {
namespace {

// The system has no box with a lone Abort button: show an OK box and rename
// its button while the box is being activated.
thread_local HHOOK renameHook = nullptr;

LRESULT CALLBACK RenameOkButton(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wp);
        SetDlgItemTextW(box, IDOK, L"Abort");
        UnhookWindowsHookEx(renameHook);
        renameHook = nullptr;
        return 0;
    }
    return CallNextHookEx(renameHook, code, wp, lp);
}

class SystemBoxes : public MessageBoxes {
public:
    BoxAnswer Show(HWND owner, BoxKind kind, const std::wstring& text,
                   const std::wstring& caption) override {
        UINT flags = MB_OK;
        switch (kind) {
            case BoxKind::Plain:
                break;
            case BoxKind::Information:
                flags = MB_OK | MB_ICONINFORMATION;
                break;
            case BoxKind::Confirmation:
                flags = MB_YESNO | MB_ICONQUESTION;
                break;
            case BoxKind::Error:
                flags = MB_OK | MB_ICONERROR;
                break;
            case BoxKind::ErrorAbort:
                flags = MB_OK | MB_ICONERROR;
                renameHook =
                    SetWindowsHookExW(WH_CBT, RenameOkButton, nullptr, GetCurrentThreadId());
                break;
        }
        const int result = MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
        if (renameHook != nullptr) {
            UnhookWindowsHookEx(renameHook);
            renameHook = nullptr;
        }
        switch (kind) {
            case BoxKind::Confirmation:
                return result == IDYES ? BoxAnswer::Yes : BoxAnswer::No;
            case BoxKind::ErrorAbort:
                return BoxAnswer::Abort;
            default:
                return BoxAnswer::Ok;
        }
    }
};

SystemBoxes systemBoxes;
MessageBoxes* current = &systemBoxes;

}  // namespace

MessageBoxes& Boxes() { return *current; }

void SetBoxes(MessageBoxes* boxes) { current = boxes != nullptr ? boxes : &systemBoxes; }

void ShowMessage(const std::wstring& text) {
    Application& app = Application::Instance();
    const HWND owner = app.MainForm() != nullptr ? app.MainForm()->Handle() : nullptr;
    Boxes().Show(owner, BoxKind::Plain, text, app.Title());
}

}  // namespace winui
