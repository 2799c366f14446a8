// The user's language from the process locale (LC_ALL, then LC_MESSAGES, then LANG), as the
// platform takes it from the user's settings: Traditional Chinese for Taiwan, Hong Kong and Macau,
// Simplified Chinese for the other Chinese locales, English otherwise.
#include "plat/resources.h"

#include <cstdlib>
#include <string>

namespace plat {

LANGID LanguageFromLocale(const char* locale) {
    std::string name = locale ? locale : "";
    if (name.rfind("zh", 0) != 0) return 0x0409;
    for (const char* traditional : {"zh_TW", "zh_HK", "zh_MO", "zh-TW", "zh-HK", "zh-MO"})
        if (name.rfind(traditional, 0) == 0) return 0x0404;
    if (name.find("Hant") != std::string::npos) return 0x0404;
    return 0x0804;
}

LANGID UseLocaleLanguage() {
    const char* locale = nullptr;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) {
            locale = value;
            break;
        }
    }
    LANGID lang = LanguageFromLocale(locale);
    SetUserLanguage(lang);
    return lang;
}

} // namespace plat
