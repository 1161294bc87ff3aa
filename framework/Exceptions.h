// The framework's exception classes: every exception the components raise derives
// Exception, which carries a UTF-16 message text.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include <windows.h>

namespace capspect {

// Where a call was written, as SourceLocation tells it. The compiler builtins behind
// it are used directly because clang 14 with libstdc++ offers no SourceLocation.
class SourceLocation {
public:
    static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                            unsigned line = __builtin_LINE()) noexcept {
        return SourceLocation(file, line);
    }

    constexpr const char* file_name() const noexcept { return file_; }
    constexpr unsigned line() const noexcept { return line_; }

private:
    constexpr SourceLocation(const char* file, unsigned line) noexcept : file_(file), line_(line) {}

    const char* file_;
    unsigned line_;
};

class Exception : public std::exception {
public:
    explicit Exception(std::u16string message);

    const std::u16string& Message() const noexcept { return FMessage; }
    // The message in UTF-8, for the standard library's handlers and streams.
    const char* what() const noexcept override { return FMessageUtf8.c_str(); }

private:
    std::u16string FMessage;
    std::string FMessageUtf8;
};

// A failed assertion: code reached a state its author ruled out, or an unfinished feature.
// The message is kept as given; the place of the assertion is kept beside it.
class EAssertionFailed : public Exception {
public:
    EAssertionFailed(std::u16string message, SourceLocation where);

    const char* FileName() const noexcept { return FWhere.file_name(); }
    unsigned Line() const noexcept { return FWhere.line(); }

private:
    SourceLocation FWhere;
};

// An index outside a list or collection.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// An interface reference that does not offer the interface it was cast to.
class EIntfCastError : public Exception {
public:
    using Exception::Exception;
};

// The platform refused a resource (a window timer).
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// A platform call failed; carries the platform's error code (what GetLastError would give).
class EOSError : public Exception {
public:
    explicit EOSError(DWORD errorCode);

    DWORD ErrorCode() const noexcept { return FErrorCode; }

private:
    DWORD FErrorCode;
};

// The message of an exception: the framework's own text for its exceptions, what() in
// UTF-8 for others.
std::u16string ExceptionMessage(const std::exception& error);

// The text the error box shows for an exception's message: a full stop is added unless the
// message is empty or ends in '.' or a character below it (a space, '!', ',', '-' and the
// like), as the framework's error box does.
std::u16string ExceptionBoxText(std::u16string_view message);

// Raises EAssertionFailed with `message` when `condition` is false.
void Assert(bool condition, std::u16string message,
            SourceLocation where = SourceLocation::current());

}  // namespace capspect
