#pragma once
// Every text the update run shows, in the three display languages.
// Traditional texts are Big5 bytes, Simplified texts GB2312 bytes.

#include <cstddef>
#include <string_view>

#include "update/install.h"
#include "update/update_view.h"

namespace update {

enum class RunMessage {
    Connecting,
    Disconnected,
    NothingToUpdate,
    ExitQuestion,
    PleaseWait,
    RestartProgram,  // the program's own file was replaced: it runs the old one until restarted
};

// Where a Simplified text comes from: its stored GB2312 bytes, or the
// Traditional text converted with Big5ToGB when it is shown (the updater does
// that for every text; the launcher for the nothing-to-update text and for
// the remaining count of the download phase).
enum class SimplifiedSource { Stored, FromTraditional };

// The code page of the language's texts; English texts are plain ASCII.
TextCodePage LanguageCodePage(DisplayLanguage language);

Text RunText(RunMessage message, DisplayLanguage language,
             SimplifiedSource source = SimplifiedSource::Stored);

// "1file remain to be updated", "2files remain to be updated", ...
Text RemainingText(size_t count, DisplayLanguage language,
                   SimplifiedSource source = SimplifiedSource::Stored);

// The box for an entry that was processed but not installed. targetName is
// already in the text's code page: LanguageCodePage, or the system code page
// in English, whose text is marked so.
Text NotInstalledText(std::string_view targetName, InstallResult result, DisplayLanguage language,
                      SimplifiedSource source = SimplifiedSource::Stored);

// The message line after the run moved to another server: "server: " and
// the server's display name (field 1 of its line), which is already in the
// text's code page as for NotInstalledText.
Text ServerInUseText(std::string_view serverName, DisplayLanguage language,
                     SimplifiedSource source = SimplifiedSource::Stored);

}  // namespace update
