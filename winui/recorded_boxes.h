#pragma once
// Message boxes for tests: every box is recorded instead of shown, and answered
// from a queue (or with the kind's usual answer when the queue is empty).

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "winui/message_boxes.h"

namespace winui {

class RecordedBoxes : public MessageBoxes {
public:
    struct Box {
        HWND Owner;
        BoxKind Kind;
        std::wstring Text;
        std::wstring Caption;
    };

    RecordedBoxes() { SetBoxes(this); }
    ~RecordedBoxes() override { SetBoxes(nullptr); }
    RecordedBoxes(const RecordedBoxes&) = delete;
    RecordedBoxes& operator=(const RecordedBoxes&) = delete;

    BoxAnswer Show(HWND owner, BoxKind kind, const std::wstring& text,
                   const std::wstring& caption) override {
        Shown.push_back({owner, kind, text, caption});
        if (WhileOpen) {
            WhileOpen(Shown.back());
        }
        if (!Answers.empty()) {
            const BoxAnswer answer = Answers.front();
            Answers.pop_front();
            return answer;
        }
        switch (kind) {
            case BoxKind::Confirmation:
                return BoxAnswer::No;
            case BoxKind::ErrorAbort:
                return BoxAnswer::Abort;
            default:
                return BoxAnswer::Ok;
        }
    }

    std::vector<Box> Shown;
    std::deque<BoxAnswer> Answers;
    std::function<void(const Box&)> WhileOpen;  // runs as if the box were on screen
};

}  // namespace winui
