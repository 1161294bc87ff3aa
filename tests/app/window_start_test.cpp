#include "app/window_start.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

namespace capspect {
namespace {

// Sets or removes an environment variable for the scope of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct NoDisplay {
    ScopedEnvironment platform{"QT_QPA_PLATFORM", nullptr};
    ScopedEnvironment x11{"DISPLAY", nullptr};
    ScopedEnvironment wayland{"WAYLAND_DISPLAY", ""};
};

TEST(WindowStartTest, AnyOfTheDisplayVariablesCountsAsADisplay) {
    const NoDisplay none;
    EXPECT_TRUE(MissingDisplayMessage());
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const ScopedEnvironment set(name, "x");
        EXPECT_FALSE(MissingDisplayMessage()) << name;
    }
}

TEST(WindowStartTest, WithoutADisplayTheProgramFailsWithOneLineThatPointsToTheCommands) {
    const NoDisplay none;
    StringOutput out;
    StringOutput err;
    EXPECT_EQ(RunCommandLine({"--demo"}, out, err, RunMainWindow), ExitStatus::Failure);
    const std::string line = err.Text();
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_TRUE(line.starts_with("capspect: ")) << line;
    EXPECT_NE(line.find("capspect --help"), std::string::npos) << line;
    EXPECT_EQ(out.Text(), "");
}

TEST(WindowStartTest, ABackendThatCannotStartFailsBeforeTheWindowOpens) {
    const ScopedEnvironment display("QT_QPA_PLATFORM", "offscreen");
    StringOutput out;
    StringOutput err;
    // A catalog file that does not exist.
    EXPECT_EQ(RunCommandLine({"--devices", "/nonexistent/devices.json"}, out, err, RunMainWindow),
              ExitStatus::Failure);
    EXPECT_NE(err.Text().find("/nonexistent/devices.json"), std::string::npos) << err.Text();
    EXPECT_EQ(out.Text(), "");
}

}  // namespace
}  // namespace capspect
