#include "winui/application.h"

#include "core/exception.h"
#include "winui/message_boxes.h"
#include "winui/message_pump.h"
#include "winui/text.h"

namespace winui {

Application& Application::Instance() {
    static Application app;
    return app;
}

Application::Application() {
    // The default title is the program's file name without extension.
    title_ = ProgramFile().stem().wstring();
}

void Application::Run() {
    if (mainForm_ != nullptr) {
        mainForm_->Show();
    }
    while (!Terminated()) {
        HandleMessage();
    }
}

void Application::Terminate() { PostQuitMessage(0); }

void Application::DestroyForms() {
    while (!forms_.empty()) {
        if (forms_.back().get() == mainForm_) {
            mainForm_ = nullptr;
        }
        forms_.pop_back();
    }
}

void Application::HandleException(const std::exception_ptr& error) noexcept {
    try {
        if (onException_) {
            onException_(error);
            return;
        }
        std::string message;
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            message = e.what();
        } catch (...) {
            message = "Unknown error";
        }
        const HWND owner = mainForm_ != nullptr ? mainForm_->Handle() : nullptr;
        Boxes().Show(owner, BoxKind::Error, Widen(message), title_);
    } catch (...) {
        // The policy itself failed (no memory for the box): nothing more to do.
    }
}

}  // namespace winui
