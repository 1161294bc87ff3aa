#include "framework/Exceptions.h"

#include <string>
#include <utility>

#include "platform/support/unicode.h"

namespace capspect {

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FMessageUtf8(Utf16ToUtf8(FMessage)) {}

EAssertionFailed::EAssertionFailed(std::u16string message, SourceLocation where)
    : Exception(std::move(message)), FWhere(where) {}

namespace {

std::u16string OSErrorMessage(DWORD errorCode) {
    const std::string digits = std::to_string(errorCode);
    return u"Operating system error " + std::u16string(digits.begin(), digits.end());
}

}  // namespace

EOSError::EOSError(DWORD errorCode) : Exception(OSErrorMessage(errorCode)), FErrorCode(errorCode) {}

std::u16string ExceptionMessage(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Exception*>(&error)) {
        return own->Message();
    }
    return Utf8ToUtf16(error.what());
}

std::u16string ExceptionBoxText(std::u16string_view message) {
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.') {
        text += u'.';
    }
    return text;
}

void Assert(bool condition, std::u16string message, SourceLocation where) {
    if (!condition) {
        throw EAssertionFailed(std::move(message), where);
    }
}

}  // namespace capspect
