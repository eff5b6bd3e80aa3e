// The process's locale identifier, as ICU would name it. ICU computes its own
// default locale once per process; the identifier here follows the same
// rules but is computed at every call, so a change of the environment (a test,
// a host that switches languages) is seen at once.
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unicode/uloc.h>

#include "tools/platform_mac.h"

namespace qfjsbinding {

namespace {

constexpr std::size_t kMaxIdentifier = 99;
constexpr char kPosixLocale[] = "en_US_POSIX";

bool IsPosixName(const std::string& name) {
    return name == "C" || name == "POSIX";
}

bool IsAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// ICU reads a language "i-default" (in any case, with "-" or "_") followed by
// more of a name ("i-default_JP") as "the default locale" and asks for it;
// while ICU's default has not been made yet, that request makes it from the
// same environment value, which asks again under the lock already held, and
// the process hangs for good. The grandfathered tag stands for English
// ("i-default" alone canonicalises to "en@x=i-default"), so such a name is
// given to ICU with that language instead, before each call that reads it.
std::string WithoutDefaultLanguage(std::string name) {
    constexpr char kDefault[] = "default";
    constexpr std::size_t kLength = 2 + sizeof kDefault - 1;  // "i-" + "default"
    if (name.size() <= kLength || (name[0] != 'i' && name[0] != 'I') || (name[1] != '-' && name[1] != '_')) {
        return name;
    }
    for (std::size_t i = 0; kDefault[i] != '\0'; ++i) {
        const char c = name[2 + i];
        if (c != kDefault[i] && c != kDefault[i] - 'a' + 'A') return name;
    }
    if (IsAlphanumeric(name[kLength])) return name;  // a longer language
    return name.replace(0, kLength, "en");
}

// The POSIX locale name for messages, in ICU's order: the locale the process
// has set for LC_MESSAGES, else the environment (LC_ALL, LC_MESSAGES, LANG;
// empty values do not count).
std::string PosixMessagesLocale() {
    if (const char* set = std::setlocale(LC_MESSAGES, nullptr)) {
        const std::string name = set;
        if (!name.empty() && !IsPosixName(name)) return name;
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return std::string();
}

}  // namespace

std::string CurrentLocaleIdentifier() {
    try {
        const std::string posix = WithoutDefaultLanguage(PosixMessagesLocale());
        if (posix.empty()) return kPosixLocale;

        // "ja_JP.UTF-8" becomes "ja_JP", "de_DE@euro" "de_DE_EURO"; keywords
        // are dropped so only language, script, region and variant remain.
        char canonical[ULOC_FULLNAME_CAPACITY] = {};
        UErrorCode status = U_ZERO_ERROR;
        uloc_canonicalize(posix.c_str(), canonical, sizeof canonical, &status);
        if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING) return std::string();
        char base[ULOC_FULLNAME_CAPACITY] = {};
        status = U_ZERO_ERROR;
        uloc_getBaseName(WithoutDefaultLanguage(canonical).c_str(), base, sizeof base, &status);
        if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING) return std::string();

        std::string identifier = base;
        // The C locale (also "C.UTF-8") is what ICU calls en_US_POSIX.
        if (identifier == "c" || identifier == "posix") return kPosixLocale;
        if (identifier.size() > kMaxIdentifier) identifier.resize(kMaxIdentifier);
        return identifier;
    } catch (...) {
        return std::string();
    }
}

}  // namespace qfjsbinding
