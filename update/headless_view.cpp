#include "update/headless_view.h"

namespace update {

void HeadlessView::Say(const std::string& line) const {
    if (OnLine) OnLine(line);
}

void HeadlessView::ShowStatus(const Text& text) {
    Status = text;
    Say("status: " + text.Bytes);
}

void HeadlessView::ShowProgressText(const Text& text) {
    ProgressText = text;
    if (OnProgressText) OnProgressText(text);
}

void HeadlessView::ShowGauge() { GaugeShown = true; }

void HeadlessView::SetGaugeMax(int64_t max) { GaugeMax = max; }

void HeadlessView::SetGaugePosition(int64_t position) { GaugePosition = position; }

void HeadlessView::SetToDoNames(const std::vector<Text>& names) {
    ToDoNames = names;
    for (const auto& name : names) Say("to do: " + name.Bytes);
}

void HeadlessView::MoveFirstToDone() {
    if (ToDoNames.empty()) return;
    DoneNames.push_back(ToDoNames.front());
    ToDoNames.erase(ToDoNames.begin());
    Say("done: " + DoneNames.back().Bytes);
}

void HeadlessView::ShowStartButton() {
    StartButtonShown = true;
    Say("start button shown");
}

void HeadlessView::ShowBox(const Text& text) {
    Boxes.push_back(text);
    Say("box: " + text.Bytes);
    if (WhileBoxOpen) WhileBoxOpen(text);
}

void HeadlessView::ShowErrorBox(const Text& text) {
    Boxes.push_back(text);
    Say("error box: " + text.Bytes);
    if (WhileBoxOpen) WhileBoxOpen(text);
}

bool HeadlessView::Confirm(const Text& question) {
    Questions.push_back(question);
    bool yes = false;
    if (!ConfirmAnswers.empty()) {
        yes = ConfirmAnswers.front();
        ConfirmAnswers.pop_front();
    }
    Say("question: " + question.Bytes + (yes ? " -> Yes" : " -> No"));
    return yes;
}

void HeadlessView::StartProgram(const std::filesystem::path& program,
                                const std::string& arguments) {
    Started.push_back({program, arguments});
    Say("start: " + program.filename().string() + (arguments.empty() ? "" : " " + arguments));
}

void HeadlessView::HideWindow() {
    Hidden = true;
    Say("window hidden");
}

void HeadlessView::CloseWindow() {
    ++CloseCount;
    Say("window closed");
    if (OnCloseWindow) OnCloseWindow();
}

void HeadlessView::EndProgram(int exitCode) {
    if (!ExitCode) ExitCode = exitCode;
    Say("program ends with exit code " + std::to_string(exitCode));
}

}  // namespace update
