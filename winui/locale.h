#pragma once
// The thread locale, read once at start-up and kept for the whole run. Tests
// inject the values they need with SetLocale.

#include <windows.h>

namespace winui {

struct LocaleValues {
    LCID Locale = 0x409;
    int PrimaryLanguage = 9;  // language identifier AND 0x3FF
    int SubLanguage = 1;      // language identifier shifted right by 10
};

// A zero locale, or a zero language identifier, counts as English (United States).
LocaleValues LocaleFromId(LCID locale);

// Reads the thread locale now. Programs call it once, first thing.
void ReadLocale();

// Replaces the values (tests; also what ReadLocale does with the thread locale).
void SetLocale(LCID locale);

// The values in force; reads the thread locale at the first call if nothing did.
const LocaleValues& Locale();

}  // namespace winui
