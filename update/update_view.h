#pragma once
// What the update run needs from the window that hosts it, and from the
// server chooser shown at its start. The launcher's update window, the
// updater's window and the headless test driver implement IUpdateView; each
// program injects its own chooser form. Portable: no system headers here.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace update {

// The update window's display language (language letter "n", "t", "s").
enum class DisplayLanguage { English, Traditional, Simplified };

// The code page a text's bytes are in. Views convert once, with this code
// page, when they show the text.
enum class TextCodePage {
    Ascii,   // the run's English texts and the texts every language shares
    Big5,    // Traditional texts (code page 950)
    Gb2312,  // Simplified texts (code page 936)
    System,  // names from list files and texts from the network: the ANSI code page
};

struct Text {
    std::string Bytes;
    TextCodePage CodePage = TextCodePage::Ascii;
};

// The chooser the run shows modally first. Its entries are field 1 of every
// server line, then the any-server entry, which is always the last one.
class IServerChooser {
public:
    virtual ~IServerChooser() = default;
    // Shows the chooser modally and returns once the player has confirmed.
    virtual void ShowModal() = 0;
    virtual int SelectedIndex() const = 0;  // -1 when nothing is selected
    virtual int ItemCount() const = 0;
    // The server list file's lines in file order, end line included.
    virtual std::vector<std::string> ServerLines() const = 0;
};

class IUpdateView {
public:
    virtual ~IUpdateView() = default;

    // Label3, the run's message line: shown, centred at top 290.
    virtual void ShowStatus(const Text& text) = 0;
    // Label4, the byte progress line, centred.
    virtual void ShowProgressText(const Text& text) = 0;
    // Gauge1.
    virtual void ShowGauge() = 0;
    virtual void SetGaugeMax(int64_t max) = 0;
    virtual void SetGaugePosition(int64_t position) = 0;

    // ListBox1 gets the to-do names; MoveFirstToDone moves its first name to
    // the end of ListBox2.
    virtual void SetToDoNames(const std::vector<Text>& names) = 0;
    virtual void MoveFirstToDone() = 0;

    // Image3, the start button, becomes visible.
    virtual void ShowStartButton() = 0;

    // A modal box with an OK button.
    virtual void ShowBox(const Text& text) = 0;
    // A modal error box with the single button Abort: the gzip component's
    // dialogs.
    virtual void ShowErrorBox(const Text& text) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool Confirm(const Text& question) = 0;

    // The game client, started shown normally; the outcome is ignored.
    virtual void StartProgram(const std::filesystem::path& program,
                              const std::string& arguments) = 0;
    // Hides or closes the window that hosts the run.
    virtual void HideWindow() = 0;
    virtual void CloseWindow() = 0;
    // Ends the program at once with this exit code.
    virtual void EndProgram(int exitCode) = 0;
};

}  // namespace update
