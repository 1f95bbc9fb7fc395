#pragma once
// Every message box of both programs goes through this one interface, so a
// test can answer the boxes and read what they said.

#include <windows.h>

#include <string>

namespace winui {

enum class BoxKind {
    Plain,         // text and an OK button
    Information,   // information icon, OK
    Confirmation,  // question icon, Yes and No
    Error,         // error icon, OK: the application's standard error box
    ErrorAbort,    // error icon, Abort
};

enum class BoxAnswer { Ok, Yes, No, Abort };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual BoxAnswer Show(HWND owner, BoxKind kind, const std::wstring& text,
                           const std::wstring& caption) = 0;
};

// The boxes in force: the system's unless a test installed its own.
MessageBoxes& Boxes();

// Installs other boxes; nullptr goes back to the system's. Not owned.
void SetBoxes(MessageBoxes* boxes);

// A plain box with an OK button, captioned with the application's title.
void ShowMessage(const std::wstring& text);

}  // namespace winui
