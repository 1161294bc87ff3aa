#include "platform/sdk/locale.h"

#include <langinfo.h>
#include <locale.h>
#include <unistd.h>
#include <wchar.h>
#include <wctype.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/support/unicode.h"

namespace {

// A locale category and the environment variable that names its locale.
struct Category {
    int mask;
    const char* variable;
};

constexpr Category kCtype{LC_CTYPE_MASK, "LC_CTYPE"};
constexpr Category kCollate{LC_COLLATE_MASK, "LC_COLLATE"};
constexpr Category kNumeric{LC_NUMERIC_MASK, "LC_NUMERIC"};
constexpr Category kTelephone{LC_TELEPHONE_MASK, "LC_TELEPHONE"};

constexpr DWORD kSupportedFlags = NORM_IGNORECASE | SORT_STRINGSORT;

// The locale variables of the environment, as the C library reads them.
constexpr std::array<std::string_view, 6> kLocaleVariables{
    "LC_ALL", "LC_CTYPE", "LC_COLLATE", "LC_NUMERIC", "LC_TELEPHONE", "LANG"};

// The values of the locale variables at one moment; an empty value counts as unset.
class LocaleVariables {
public:
    // The values as the environment holds them now, viewed in place.
    using Views = std::array<std::string_view, kLocaleVariables.size()>;

    // Reads the environment in one pass; the first definition of a name counts, as for
    // getenv.
    static Views ReadEnvironment() {
        Views views;
        std::array<bool, kLocaleVariables.size()> seen{};
        for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
            if (**entry != 'L') {
                continue;  // the cheap test first: most variables are not locale ones
            }
            const std::string_view text(*entry);
            const std::size_t equals = text.find('=');
            if (equals == std::string_view::npos) {
                continue;
            }
            const std::size_t index = IndexOf(text.substr(0, equals));
            if (index < views.size() && !seen[index]) {
                seen[index] = true;
                views[index] = text.substr(equals + 1);
            }
        }
        return views;
    }

    LocaleVariables() = default;
    explicit LocaleVariables(const Views& views) {
        std::copy(views.begin(), views.end(), values_.begin());
    }

    bool Matches(const Views& views) const {
        return std::equal(values_.begin(), values_.end(), views.begin());
    }

    // The locale name the variables give a category, in the C library's order.
    std::string NameFor(std::string_view variable) const {
        for (const std::string_view name :
             {std::string_view("LC_ALL"), variable, std::string_view("LANG")}) {
            const std::string& value = values_[IndexOf(name)];
            if (!value.empty()) {
                return value;
            }
        }
        return "C";
    }

private:
    static std::size_t IndexOf(std::string_view name) {
        return static_cast<std::size_t>(
            std::find(kLocaleVariables.begin(), kLocaleVariables.end(), name) -
            kLocaleVariables.begin());
    }

    std::array<std::string, kLocaleVariables.size()> values_;
};

// Builds a locale whose listed categories follow the named locales and whose others are
// "C". A category whose locale is not installed stays "C". Answers null when even "C"
// cannot be made.
locale_t NewLocale(const std::vector<std::pair<int, std::string>>& categories) {
    locale_t handle = newlocale(LC_ALL_MASK, "C", nullptr);
    for (const auto& [mask, name] : categories) {
        if (handle == nullptr) {
            break;
        }
        // On failure newlocale leaves the base locale untouched and still ours.
        if (const locale_t next = newlocale(mask, name.c_str(), handle)) {
            handle = next;
        }
    }
    return handle;
}

// Locale objects by the category names they were made from. Loading a locale reads and
// maps its files, which costs far more than the calls that use it (a report formats
// several numbers per format), so each combination is made once and kept for the life of
// the process. A changed variable simply selects another entry. Locale objects are immutable, so
// threads share them freely.
class LocaleCache {
public:
    static LocaleCache& Instance() {
        static LocaleCache cache;
        return cache;
    }

    locale_t Get(const std::vector<std::pair<int, std::string>>& categories) {
        const std::lock_guard lock(mutex_);
        const auto found = locales_.find(categories);
        if (found != locales_.end()) {
            return found->second;
        }
        const locale_t handle = NewLocale(categories);
        if (handle != nullptr) {
            locales_.emplace(categories, handle);
        }
        return handle;
    }

    ~LocaleCache() {
        for (const auto& entry : locales_) {
            freelocale(entry.second);
        }
    }
    LocaleCache(const LocaleCache&) = delete;
    LocaleCache& operator=(const LocaleCache&) = delete;

private:
    LocaleCache() = default;

    std::mutex mutex_;
    std::map<std::vector<std::pair<int, std::string>>, locale_t> locales_;
};

// The locale whose listed categories follow the variables and whose others are "C".
locale_t VariablesLocale(const LocaleVariables& variables,
                         std::initializer_list<Category> categories) {
    std::vector<std::pair<int, std::string>> names;
    for (const Category& category : categories) {
        names.emplace_back(category.mask, variables.NameFor(category.variable));
    }
    return LocaleCache::Instance().Get(names);
}

// Makes a locale the calling thread's locale for the lifetime of the object.
class ScopedThreadLocale {
public:
    explicit ScopedThreadLocale(locale_t locale) : previous_(uselocale(locale)) {}
    ~ScopedThreadLocale() { uselocale(previous_); }
    ScopedThreadLocale(const ScopedThreadLocale&) = delete;
    ScopedThreadLocale& operator=(const ScopedThreadLocale&) = delete;

private:
    locale_t previous_;
};

// Decodes a text of the locale's character set; undecodable bytes become U+FFFD.
std::u16string DecodeLocaleText(const char* text, locale_t locale) {
    const ScopedThreadLocale scope(locale);
    std::u32string codePoints;
    std::mbstate_t state{};
    std::size_t remaining = std::strlen(text);
    while (remaining > 0) {
        wchar_t character = 0;
        const std::size_t used = std::mbrtowc(&character, text, remaining, &state);
        if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
            codePoints += U'\uFFFD';
            state = {};
            ++text;
            --remaining;
            continue;
        }
        if (used == 0) {
            break;
        }
        codePoints += static_cast<char32_t>(character);
        text += used;
        remaining -= used;
    }
    return capspect::CodePointsToUtf16(codePoints);
}

// The text of one locale item of a category. The character set is that of the same
// locale, so LC_CTYPE is taken from the category's own locale name.
std::u16string CategoryText(const LocaleVariables& variables, const Category& category,
                            nl_item item) {
    const locale_t locale =
        VariablesLocale(variables, {Category{category.mask | LC_CTYPE_MASK, category.variable}});
    if (locale == nullptr) {
        return {};
    }
    return DecodeLocaleText(nl_langinfo_l(item, locale), locale);
}

// What the locale services answer, worked out from the locale variables once and again
// only when they change. A report asks for the separators several times per format, and
// building the answer costs far more than noticing a change: one pass over the
// environment and a comparison of six short strings.
class LocaleAnswers {
public:
    static LocaleAnswers& Instance() {
        static LocaleAnswers answers;
        return answers;
    }

    std::optional<std::u16string> Value(LCTYPE type) {
        const std::lock_guard lock(mutex_);
        Follow(LocaleVariables::ReadEnvironment());
        switch (type & ~LOCALE_NOUSEROVERRIDE) {
            case LOCALE_ICOUNTRY:
                return Text(country_, kTelephone, _NL_TELEPHONE_INT_PREFIX);
            case LOCALE_SDECIMAL:
                return Text(decimal_, kNumeric, RADIXCHAR);
            case LOCALE_STHOUSAND:
                return Text(thousands_, kNumeric, THOUSEP);
            default:
                return std::nullopt;
        }
    }

    // The locale strings are compared in; null when none can be made.
    locale_t Comparison() {
        const std::lock_guard lock(mutex_);
        Follow(LocaleVariables::ReadEnvironment());
        if (!comparison_) {
            comparison_ = VariablesLocale(variables_, {kCtype, kCollate});
        }
        return *comparison_;
    }

private:
    LocaleAnswers() = default;

    void Follow(const LocaleVariables::Views& current) {
        if (variables_.Matches(current)) {
            return;
        }
        variables_ = LocaleVariables(current);
        country_.reset();
        decimal_.reset();
        thousands_.reset();
        comparison_.reset();
    }

    std::u16string Text(std::optional<std::u16string>& answer, const Category& category,
                        nl_item item) {
        if (!answer) {
            answer = CategoryText(variables_, category, item);
        }
        return *answer;
    }

    std::mutex mutex_;
    LocaleVariables variables_;  // all unset: the "C" locale, until the first call
    std::optional<std::u16string> country_;
    std::optional<std::u16string> decimal_;
    std::optional<std::u16string> thousands_;
    std::optional<locale_t> comparison_;
};

bool IsKnownLocale(LCID locale) {
    return locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT;
}

// The string a (pointer, length) argument stands for, or nothing when it is invalid.
std::optional<std::u16string_view> StringArgument(LPCWSTR text, int length) {
    if (length < -1 || (text == nullptr && length != 0)) {
        return std::nullopt;
    }
    if (length == -1) {
        return std::u16string_view(text);
    }
    return std::u16string_view(text, static_cast<std::size_t>(length));
}

std::u32string FoldCase(std::u32string text, locale_t locale) {
    for (char32_t& character : text) {
        character = static_cast<char32_t>(towlower_l(static_cast<wint_t>(character), locale));
    }
    return text;
}

// Collates two code-point strings. The C library collates NUL-terminated strings, so
// strings with embedded NULs are collated piece by piece; a string that runs out of
// pieces first sorts first.
int Collate(std::u32string_view left, std::u32string_view right, locale_t locale) {
    while (true) {
        const std::size_t leftEnd = std::min(left.find(U'\0'), left.size());
        const std::size_t rightEnd = std::min(right.find(U'\0'), right.size());
        const std::wstring leftPiece(left.begin(), left.begin() + leftEnd);
        const std::wstring rightPiece(right.begin(), right.begin() + rightEnd);
        if (const int order = wcscoll_l(leftPiece.c_str(), rightPiece.c_str(), locale)) {
            return order;
        }
        const bool leftDone = leftEnd == left.size();
        const bool rightDone = rightEnd == right.size();
        if (leftDone || rightDone) {
            return static_cast<int>(rightDone) - static_cast<int>(leftDone);
        }
        left.remove_prefix(leftEnd + 1);
        right.remove_prefix(rightEnd + 1);
    }
}

}  // namespace

int CompareStringW(LCID locale, DWORD flags, LPCWSTR string1, int length1, LPCWSTR string2,
                   int length2) {
    const auto first = StringArgument(string1, length1);
    const auto second = StringArgument(string2, length2);
    if (!IsKnownLocale(locale) || (flags & ~kSupportedFlags) != 0 || !first || !second) {
        return 0;
    }
    const locale_t comparison = LocaleAnswers::Instance().Comparison();
    if (comparison == nullptr) {
        return 0;
    }
    std::u32string left = capspect::Utf16ToCodePoints(*first);
    std::u32string right = capspect::Utf16ToCodePoints(*second);
    if ((flags & NORM_IGNORECASE) != 0) {
        left = FoldCase(std::move(left), comparison);
        right = FoldCase(std::move(right), comparison);
    }
    const int order = Collate(left, right, comparison);
    return order < 0 ? CSTR_LESS_THAN : order > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int capacity) {
    if (!IsKnownLocale(locale) || capacity < 0 || (capacity > 0 && data == nullptr)) {
        return 0;
    }
    const std::optional<std::u16string> value = LocaleAnswers::Instance().Value(type);
    if (!value) {
        return 0;
    }
    const int needed = static_cast<int>(value->size()) + 1;
    if (capacity == 0) {
        return needed;
    }
    if (capacity < needed) {
        return 0;
    }
    std::copy(value->begin(), value->end(), data);
    data[value->size()] = u'\0';
    return needed;
}
