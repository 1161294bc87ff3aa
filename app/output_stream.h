// Where the command line writes its text: the standard output and error, or a string.
// The commands only ever write text they have formatted themselves, so they need no
// std::ostream; without it the program never builds the standard streams and their
// locale at start, which is most of what it does before a command runs.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

namespace capspect {

class OutputStream {
public:
    virtual ~OutputStream() = default;

    // Appends `text`. A failure to pass it on shows at Flush.
    virtual void Write(std::string_view text) = 0;
    // Passes on what is buffered. False if anything written so far did not arrive; errno
    // then holds the system's reason where it gave one.
    virtual bool Flush() = 0;
    // Whether this is the program's standard error (where a progress line may go).
    virtual bool IsStandardError() const { return false; }

    OutputStream& operator<<(std::string_view text) {
        Write(text);
        return *this;
    }
    OutputStream& operator<<(char c) {
        Write(std::string_view(&c, 1));
        return *this;
    }
    // Numbers are formatted by the caller: without this they would be taken as a char.
    template <typename T>
    requires(std::is_arithmetic_v<T> && !std::is_same_v<T, char>) OutputStream& operator<<(T) =
        delete;
};

// A C library stream (stdout, stderr) with its buffering and error state.
class FileOutput final : public OutputStream {
public:
    explicit FileOutput(std::FILE* file) : file_(file) {}

    void Write(std::string_view text) override;
    bool Flush() override;
    bool IsStandardError() const override { return file_ == stderr; }

private:
    std::FILE* const file_;
    int failure_ = 0;  // errno of the first write that failed
};

// Keeps what is written, for callers that want the text itself.
class StringOutput final : public OutputStream {
public:
    void Write(std::string_view text) override { text_ += text; }
    bool Flush() override { return true; }

    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

}  // namespace capspect
