#include "framework/Exceptions.h"

#include <utility>

#include "platform/unicode.h"

namespace capspect {

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FMessageUtf8(Utf16ToUtf8(FMessage)) {}

EAssertionFailed::EAssertionFailed(std::u16string message, std::source_location where)
    : Exception(std::move(message)), FWhere(where) {}

void Assert(bool condition, std::u16string message, std::source_location where) {
    if (!condition) {
        throw EAssertionFailed(std::move(message), where);
    }
}

}  // namespace capspect
