#pragma once
// The application object: owns the windows created at start-up, runs the
// message loop until the main window closes, and holds the error policy that
// every window procedure hands its escaped errors to.

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "winui/form.h"

namespace winui {

class Application {
public:
    using ExceptionHandler = std::function<void(const std::exception_ptr&)>;

    static Application& Instance();

    // Creates a window of type T and runs its creation handler. The first window
    // created becomes the main window. The application owns it until DestroyForms.
    template <class T, class... Args>
    T& CreateForm(Args&&... args) {
        auto form = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *form;
        forms_.push_back(std::move(form));
        if (mainForm_ == nullptr) {
            mainForm_ = &ref;
        }
        ref.Create();
        return ref;
    }

    Form* MainForm() const { return mainForm_; }
    // Tests that build their windows by hand name the main window themselves.
    void SetMainForm(Form* form) { mainForm_ = form; }

    // Shows the main window and dispatches messages until the application is
    // terminated (the main window closed or a WM_QUIT arrived).
    void Run();

    // Ends the message loop at its next turn.
    void Terminate();

    // Destroys the windows in the reverse order of their creation.
    void DestroyForms();

    // The error policy. Without a handler an escaped error is shown in an
    // error box; a handler replaces that (the launcher's discards silently).
    void SetOnException(ExceptionHandler handler) { onException_ = std::move(handler); }
    void HandleException(const std::exception_ptr& error) noexcept;

    const std::wstring& Title() const { return title_; }
    void SetTitle(std::wstring title) { title_ = std::move(title); }

private:
    Application();

    std::vector<std::unique_ptr<Form>> forms_;
    Form* mainForm_ = nullptr;
    ExceptionHandler onException_;
    std::wstring title_;
};

// Runs fn under the error policy: whatever it throws goes to the application's
// handler and stops fn where it stood. For every boundary that foreign code calls.
template <class Fn>
void Guarded(Fn&& fn) noexcept {
    try {
        fn();
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
    }
}

}  // namespace winui
