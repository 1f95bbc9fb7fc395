#pragma once
// The update window: background, the two file lists, the message and progress
// lines, the gauge and three picture buttons. It hosts one update run but does
// not own it: its handlers are forwarded to whoever drives the run (OnRun,
// OnUpdateClick ...), and the run talks back through IUpdateView.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "update/update_view.h"
#include "winui/controls.h"
#include "winui/form.h"
#include "winui/locale.h"

namespace update {

// The update window's own language rule (not the main menu's): Chinese
// (Taiwan) is Traditional, every other Chinese locale Simplified, the rest
// English, which shows the Traditional pictures.
DisplayLanguage DisplayLanguageOf(const winui::LocaleValues& locale);
const wchar_t* LanguageLetter(DisplayLanguage language);  // "t", "s", "n"
const wchar_t* PictureSuffix(DisplayLanguage language);   // "c", "s", "c"

// What differs between the launcher's window and the standalone updater's.
struct UpdateFormOptions {
    // The folder of the pictures and of every file of the run; empty means the
    // running program's own folder.
    std::filesystem::path ProgramDir;
    // The outer size the window is given before its background is loaded.
    int InitialWidth = 557;
    int InitialHeight = 372;
};

class TUpdateForm : public winui::Form, public IUpdateView {
public:
    explicit TUpdateForm(UpdateFormOptions options = {});

    // Stacking order, bottom to top, is the order of declaration.
    winui::Image Image1;      // background; the window takes its size
    winui::Gauge Gauge1;      // byte progress bar
    winui::Label Label3;      // the run's message line
    winui::Label Label4;      // byte progress text, over the gauge
    winui::Image Image2;      // update button
    winui::Image Image3;      // start button, hidden until the files are up to date
    winui::Image Image4;      // exit button
    winui::ListBox ListBox1;  // names still to be updated
    winui::ListBox ListBox2;  // names processed

    // The handlers of the run, each run inside this window's message handling,
    // so an error they raise goes to the application's error policy.
    std::function<void()> OnRun;          // the first resize after creation
    std::function<void()> OnUpdateClick;  // Image2Click
    std::function<void()> OnStartClick;   // Image3Click
    std::function<void()> OnExitClick;    // Image4Click
    std::function<void()> OnFormClose;    // FormClose, before the window goes
    // Replaces ending the process in EndProgram (tests).
    std::function<void(int exitCode)> OnEndProgram;

    // Known after creation (steps 5 and 6 of FormCreate).
    const std::filesystem::path& ProgramDir() const { return programDir_; }
    DisplayLanguage Language() const { return language_; }
    bool RunPending() const { return runPending_; }

    void FormResize() override;
    // Every closing of the window: the run's FormClose first, then the window
    // goes (a modal showing ends, the updater's main window ends the program).
    void FormClose();
    void Image2Click();
    void Image3Click();
    void Image4Click();
    // Any mouse button: pressed picture going down, rest picture coming up.
    virtual void Image2MouseDown(winui::MouseButton, int, int) { LoadButton(Image2, L"1-2"); }
    virtual void Image2MouseUp(winui::MouseButton, int, int) { LoadButton(Image2, L"1-1"); }
    virtual void Image3MouseDown(winui::MouseButton, int, int) { LoadButton(Image3, L"2-2"); }
    virtual void Image3MouseUp(winui::MouseButton, int, int) { LoadButton(Image3, L"2-1"); }
    virtual void Image4MouseDown(winui::MouseButton, int, int) { LoadButton(Image4, L"3-2"); }
    virtual void Image4MouseUp(winui::MouseButton, int, int) { LoadButton(Image4, L"3-1"); }

    // "upimg\<stem><suffix>.jpg" in the program folder.
    std::filesystem::path Picture(const std::wstring& stem) const;

    // IUpdateView
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

protected:
    void FormCreate() override;
    // The updater's window places its own extra controls here; it runs after
    // the controls of this window are placed and before the run is armed.
    virtual void PlaceVariantControls() {}

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void LoadButton(winui::Image& button, const std::wstring& stem);
    // The gauge counts in int; byte counts of huge files are scaled down.
    int GaugeUnits(int64_t bytes) const;

    UpdateFormOptions options_;
    std::filesystem::path programDir_;
    DisplayLanguage language_ = DisplayLanguage::English;
    bool runPending_ = false;
    int gaugeShift_ = 0;
};

}  // namespace update
