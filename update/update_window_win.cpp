#include "update/update_window_win.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "winui/application.h"
#include "winui/handles.h"
#include "winui/message_boxes.h"
#include "winui/text.h"

namespace update {
namespace {

// Posted when the window is shown: a shown window sizes itself to its
// content, and that is the resize that starts the run.
constexpr UINT kShownMessage = WM_APP + 1;

constexpr wchar_t kMingLiU[] = L"\x65b0\x7d30\x660e\x9ad4";  // 新細明體
constexpr wchar_t kKaiU[] = L"\x6a19\x6977\x9ad4";           // 標楷體
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kGaugeBlue = RGB(23, 75, 215);

// Label4 is centred over the background's design width before any picture
// is loaded; the run centres it in the real window afterwards.
constexpr int kDesignWidth = 620;
// Where the window is placed whatever the size of its background.
constexpr int kPlacementWidth = 628;
constexpr int kPlacementHeight = 479;

winui::FormStyle UpdateFormStyle(const UpdateFormOptions& options) {
    winui::FormStyle style;
    style.Caption = L"update";
    style.Sizeable = false;
    style.SystemMenu = false;  // no close box: the exit button is the way out
    style.MinimizeBox = true;
    style.ClientWidth = options.InitialWidth;
    style.ClientHeight = options.InitialHeight;
    return style;
}

UINT CodePageOf(TextCodePage codePage) {
    switch (codePage) {
        case TextCodePage::Big5:
            return winui::kBig5;
        case TextCodePage::Gb2312:
            return winui::kGb2312;
        case TextCodePage::Ascii:
        case TextCodePage::System:
            break;
    }
    return CP_ACP;
}

std::wstring Wide(const Text& text) { return winui::Widen(text.Bytes, CodePageOf(text.CodePage)); }

}  // namespace

DisplayLanguage DisplayLanguageOf(const winui::LocaleValues& locale) {
    if (locale.PrimaryLanguage != 4) {
        return DisplayLanguage::English;
    }
    return locale.SubLanguage == 1 ? DisplayLanguage::Traditional : DisplayLanguage::Simplified;
}

const wchar_t* LanguageLetter(DisplayLanguage language) {
    switch (language) {
        case DisplayLanguage::Traditional:
            return L"t";
        case DisplayLanguage::Simplified:
            return L"s";
        case DisplayLanguage::English:
            break;
    }
    return L"n";
}

const wchar_t* PictureSuffix(DisplayLanguage language) {
    return language == DisplayLanguage::Simplified ? L"s" : L"c";
}

TUpdateForm::TUpdateForm(UpdateFormOptions options)
    : winui::Form(UpdateFormStyle(options)),
      Image1(*this),
      Gauge1(*this),
      Label3(*this),
      Label4(*this),
      Image2(*this),
      Image3(*this),
      Image4(*this),
      ListBox1(*this),
      ListBox2(*this),
      options_(std::move(options)) {
    Image1.AutoSize = true;
    Image1.SetBounds(0, 0, kDesignWidth, options_.InitialHeight);
    for (winui::Image* button : {&Image2, &Image3, &Image4}) {
        button->Stretch = true;
    }
    Image3.SetVisible(false);
    Label3.SetVisible(false);
    // The window's own font until creation gives each label its size.
    Label3.SetFont(kMingLiU, -11);
    Label4.SetFont(kMingLiU, -11);
    Label3.Color = kYellow;
    Label4.Color = kYellow;
    Label4.SetCaption(L"0% ");
    Gauge1.ForeColor = kGaugeBlue;
    Gauge1.BackColor = kGaugeBlue;
    // The percentage is there but too small to read: the bar is a plain strip.
    Gauge1.TextColor = RGB(255, 255, 255);
    Gauge1.SetFont(kMingLiU, -1);

    Image2.OnMouseDown = [this](winui::MouseButton b, int x, int y) { Image2MouseDown(b, x, y); };
    Image2.OnMouseUp = [this](winui::MouseButton b, int x, int y) { Image2MouseUp(b, x, y); };
    Image3.OnMouseDown = [this](winui::MouseButton b, int x, int y) { Image3MouseDown(b, x, y); };
    Image3.OnMouseUp = [this](winui::MouseButton b, int x, int y) { Image3MouseUp(b, x, y); };
    Image4.OnMouseDown = [this](winui::MouseButton b, int x, int y) { Image4MouseDown(b, x, y); };
    Image4.OnMouseUp = [this](winui::MouseButton b, int x, int y) { Image4MouseUp(b, x, y); };
    Image2.OnClick = [this] { Image2Click(); };
    Image3.OnClick = [this] { Image3Click(); };
    Image4.OnClick = [this] { Image4Click(); };
}

void TUpdateForm::FormCreate() {
    runPending_ = false;

    ListBox1.SetFont(L"Courier New", -11);
    ListBox2.SetFont(L"Courier New", -11);

    Label4.SetTop(328);
    Label4.SetFont(kMingLiU, 15);
    Label4.SetLeft((kDesignWidth - Label4.Width()) / 2);

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetBounds((screenWidth - kPlacementWidth) / 2, (screenHeight - kPlacementHeight) / 2,
              options_.InitialWidth, options_.InitialHeight);

    programDir_ = options_.ProgramDir.empty() ? winui::ProgramDir() : options_.ProgramDir;
    language_ = DisplayLanguageOf(winui::Locale());

    // A missing picture stops creation here: the run is never armed.
    Image1.LoadFromFile(Picture(L"0"));
    SetBounds(Left(), Top(), Image1.Width(), Image1.Height());
    SetClientSize(Image1.Width(), Image1.Height());

    LoadButton(Image2, L"1-1");
    LoadButton(Image3, L"2-1");
    LoadButton(Image4, L"3-1");

    Image2.SetBounds(80, 377, 90, 26);
    Image3.SetBounds(248, 377, 129, 26);
    Image4.SetBounds(448, 377, 90, 26);
    Gauge1.SetBounds(34, 323, 545, 24);
    ListBox1.SetBounds(41, 92, 211, 187);
    ListBox2.SetBounds(369, 92, 211, 187);

    Label3.SetFont(kKaiU, 23);
    Label3.SetTop(290);
    Label3.CentreIn(Width());

    PlaceVariantControls();
    // Last, so that no resize during creation starts the run.
    runPending_ = true;
}

void TUpdateForm::FormResize() {
    if (!runPending_) {
        return;
    }
    runPending_ = false;
    if (OnRun) {
        OnRun();
    }
}

void TUpdateForm::FormClose() {
    if (OnFormClose) {
        OnFormClose();
    }
    Close();
}

void TUpdateForm::Image2Click() {
    if (OnUpdateClick) {
        OnUpdateClick();
    }
}

void TUpdateForm::Image3Click() {
    if (OnStartClick) {
        OnStartClick();
    }
}

void TUpdateForm::Image4Click() {
    if (OnExitClick) {
        OnExitClick();
    }
}

std::filesystem::path TUpdateForm::Picture(const std::wstring& stem) const {
    return programDir_ / (L"upimg\\" + stem + PictureSuffix(language_) + L".jpg");
}

void TUpdateForm::LoadButton(winui::Image& button, const std::wstring& stem) {
    button.LoadFromFile(Picture(stem));
    button.Repaint();
}

LRESULT TUpdateForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SHOWWINDOW:
            if (wp != FALSE) {
                // Not from inside ShowWindow: the run shows the chooser and
                // waits, and the window must be on screen by then.
                PostMessageW(Handle(), kShownMessage, 0, 0);
            }
            return winui::Form::HandleMessage(msg, wp, lp);
        case kShownMessage:
            FormResize();
            return 0;
        case WM_CLOSE:
            FormClose();
            return 0;
        default:
            return winui::Form::HandleMessage(msg, wp, lp);
    }
}

// ------------------------------------------------------------------ IUpdateView

void TUpdateForm::ShowStatus(const Text& text) {
    Label3.SetCaption(Wide(text));
    Label3.SetTop(290);
    Label3.CentreIn(Width());
    Label3.SetVisible(true);
    Label3.Repaint();
}

void TUpdateForm::ShowProgressText(const Text& text) {
    Label4.SetCaption(Wide(text));
    Label4.CentreIn(Width());
    Label4.Repaint();
}

void TUpdateForm::ShowGauge() { Gauge1.SetVisible(true); }

int TUpdateForm::GaugeUnits(int64_t bytes) const {
    return static_cast<int>(std::clamp<int64_t>(bytes, 0, INT64_MAX) >> gaugeShift_);
}

void TUpdateForm::SetGaugeMax(int64_t max) {
    gaugeShift_ = 0;
    while ((max >> gaugeShift_) > INT_MAX) {
        ++gaugeShift_;
    }
    Gauge1.SetMaxValue(GaugeUnits(max));
    Gauge1.Repaint();
}

void TUpdateForm::SetGaugePosition(int64_t position) {
    Gauge1.SetProgress(GaugeUnits(position));
    UpdateNow();
}

void TUpdateForm::SetToDoNames(const std::vector<Text>& names) {
    ListBox1.Clear();
    for (const Text& name : names) {
        ListBox1.Add(Wide(name));
    }
}

void TUpdateForm::MoveFirstToDone() {
    if (ListBox1.Count() == 0) {
        return;
    }
    const std::wstring name = ListBox1.Item(0);
    ListBox1.Delete(0);
    ListBox2.Add(name);
}

void TUpdateForm::ShowStartButton() { Image3.SetVisible(true); }

void TUpdateForm::ShowBox(const Text& text) {
    winui::Boxes().Show(Handle(), winui::BoxKind::Plain, Wide(text),
                        winui::Application::Instance().Title());
}

void TUpdateForm::ShowErrorBox(const Text& text) {
    winui::Boxes().Show(Handle(), winui::BoxKind::ErrorAbort, Wide(text),
                        winui::Application::Instance().Title());
}

bool TUpdateForm::Confirm(const Text& question) {
    return winui::Boxes().Show(Handle(), winui::BoxKind::Confirmation, Wide(question),
                               winui::Application::Instance().Title()) == winui::BoxAnswer::Yes;
}

void TUpdateForm::StartProgram(const std::filesystem::path& program, const std::string& arguments) {
    // Quoted, so that a game folder with blanks in its path still starts the
    // game rather than whatever its first word names.
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + winui::Widen(arguments);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
        // Nothing waits for the game: its handles go at once.
        const winui::UniqueKernelHandle thread(process.hThread), game(process.hProcess);
    }
}

void TUpdateForm::HideWindow() { Hide(); }

void TUpdateForm::CloseWindow() { FormClose(); }

void TUpdateForm::EndProgram(int exitCode) {
    if (OnEndProgram) {
        OnEndProgram(exitCode);
        return;
    }
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace update
