#include "winui/locale.h"

namespace winui {
namespace {

bool known = false;
LocaleValues values;

}  // namespace

LocaleValues LocaleFromId(LCID locale) {
    LocaleValues result;
    if (locale == 0) {
        return result;
    }
    result.Locale = locale;
    const unsigned language = locale & 0xFFFF;
    if (language != 0) {
        result.PrimaryLanguage = static_cast<int>(language & 0x3FF);
        result.SubLanguage = static_cast<int>(language >> 10);
    }
    return result;
}

void ReadLocale() { SetLocale(GetThreadLocale()); }

void SetLocale(LCID locale) {
    values = LocaleFromId(locale);
    known = true;
}

const LocaleValues& Locale() {
    if (!known) {
        ReadLocale();
    }
    return values;
}

}  // namespace winui
