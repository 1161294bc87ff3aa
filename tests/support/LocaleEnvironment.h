// Test support: switching the process locale environment for the length of a test.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace capspect::test {

inline constexpr const char* kGerman = "de_DE.UTF-8";
inline constexpr const char* kEnglish = "en_US.UTF-8";

}  // namespace capspect::test

#ifdef _WIN32

#include <windows.h>

namespace capspect::test {

// A Windows process has one user locale for every category, fixed when it starts (Wine
// takes it from LC_ALL or LANG then), and no C locale. So a test asks for its locale and
// is skipped in the runs under another one; make test-windows runs each program under
// every locale the tests name.
inline std::string UserLocaleName() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const int length = GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return length > 1 ? std::string(name, name + length - 1) : std::string();
}

// "de_DE.UTF-8" as Windows names it: "de-DE".
inline std::string WindowsLocaleName(const std::string& posixName) {
    std::string name = posixName.substr(0, posixName.find('.'));
    for (char& c : name) {
        c = c == '_' ? '-' : c;
    }
    return name;
}

// Why this run cannot test under the locale POSIXNAME; empty when it can.
inline std::string LocaleSkipReason(const std::string& posixName) {
    if (posixName == "C") {
        return "Windows has no C locale";
    }
    const std::string userLocale = UserLocaleName();
    if (userLocale == WindowsLocaleName(posixName)) {
        return {};
    }
    return "needs the user locale " + posixName + "; this run's is " + userLocale;
}

}  // namespace capspect::test

#define CAPSPECT_IN_LOCALE(name)                                                 \
    if (const std::string skipReason = ::capspect::test::LocaleSkipReason(name); \
        !skipReason.empty())                                                     \
    GTEST_SKIP() << skipReason

#else

#include <locale.h>

#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace capspect::test {

// Sets the locale variables for its lifetime and restores their earlier values afterwards.
// Every variable the locale service reads is set or unset, so the outer environment (a
// developer's LC_ALL, say) cannot leak into a test.
class LocaleEnvironment {
public:
    struct Setting {
        const char* variable;
        const char* value;  // null: unset
    };

    explicit LocaleEnvironment(std::vector<Setting> settings) {
        for (const char* variable : kVariables) {
            const char* value = std::getenv(variable);
            saved_.emplace_back(variable, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(variable);
        }
        for (const Setting& setting : settings) {
            if (setting.value != nullptr) {
                setenv(setting.variable, setting.value, 1);
            }
        }
    }
    // The common case: one locale for every category.
    explicit LocaleEnvironment(const char* locale)
        : LocaleEnvironment(std::vector<Setting>{{"LC_ALL", locale}}) {}

    ~LocaleEnvironment() {
        for (const auto& [variable, value] : saved_) {
            if (value) {
                setenv(variable, value->c_str(), 1);
            } else {
                unsetenv(variable);
            }
        }
    }
    LocaleEnvironment(const LocaleEnvironment&) = delete;
    LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

private:
    static constexpr const char* kVariables[] = {"LC_ALL",     "LC_CTYPE",     "LC_COLLATE",
                                                 "LC_NUMERIC", "LC_TELEPHONE", "LANG"};
    std::vector<std::pair<const char*, std::optional<std::string> > > saved_;
};

// Tests that need a real locale fail, never skip, when it is missing: the build installs
// every locale (locales-all).
inline ::testing::AssertionResult LocaleIsInstalled(const char* name) {
    if (const locale_t locale = newlocale(LC_ALL_MASK, name, nullptr)) {
        freelocale(locale);
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "locale " << name << " is not installed (tools/install-deps.sh installs it)";
}

}  // namespace capspect::test

// The rest of the test runs under the locale NAME (every category).
#define CAPSPECT_IN_LOCALE(name)                            \
    ASSERT_TRUE(::capspect::test::LocaleIsInstalled(name)); \
    const ::capspect::test::LocaleEnvironment localeEnvironment_(name)

#endif
