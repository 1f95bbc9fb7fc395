#pragma once
// An update window without a window: it keeps what the window would show,
// says each step as a line of text, and answers questions from a script.
// The demo and the end-to-end test drive the product's run through it.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/update_view.h"

namespace update {

class HeadlessView : public IUpdateView {
public:
    // Every step but the byte progress, as one line (texts as their bytes).
    std::function<void(const std::string& line)> OnLine;
    // Each byte progress text; runs inside the download's wait, like a click
    // on the window would.
    std::function<void(const Text& text)> OnProgressText;
    // Runs while a box is open: inside the wait that raised it.
    std::function<void(const Text& text)> WhileBoxOpen;
    // What closing the window does; its host connects the run's Close.
    std::function<void()> OnCloseWindow;
    // Answers of the Yes/No questions in turn; No when none is left.
    std::deque<bool> ConfirmAnswers;

    // What the window shows now, and what happened.
    Text Status;
    Text ProgressText;
    bool GaugeShown = false;
    int64_t GaugeMax = 0;
    int64_t GaugePosition = 0;
    std::vector<Text> ToDoNames;
    std::vector<Text> DoneNames;
    bool StartButtonShown = false;
    std::vector<Text> Boxes;
    std::vector<Text> Questions;
    struct StartedProgram {
        std::filesystem::path Program;
        std::string Arguments;
    };
    std::vector<StartedProgram> Started;
    bool Hidden = false;
    int CloseCount = 0;
    std::optional<int> ExitCode;  // EndProgram was called; the headless host keeps running

    void ShowStatus(const Text& text) override;
    void ShowProgressText(const Text& text) override;
    void ShowGauge() override;
    void SetGaugeMax(int64_t max) override;
    void SetGaugePosition(int64_t position) override;
    void SetToDoNames(const std::vector<Text>& names) override;
    void MoveFirstToDone() override;
    void ShowStartButton() override;
    void ShowBox(const Text& text) override;
    void ShowErrorBox(const Text& text) override;
    bool Confirm(const Text& question) override;
    void StartProgram(const std::filesystem::path& program, const std::string& arguments) override;
    void HideWindow() override;
    void CloseWindow() override;
    void EndProgram(int exitCode) override;

private:
    void Say(const std::string& line) const;
};

}  // namespace update
