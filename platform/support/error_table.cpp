#include "platform/support/error_table.h"

#include <algorithm>

namespace capspect {

std::optional<std::u16string_view> FindErrorText(std::span<const ErrorTextEntry> table,
                                                 std::uint32_t code) {
    const auto entry = std::ranges::lower_bound(table, code, {}, &ErrorTextEntry::code);
    if (entry == table.end() || entry->code != code) {
        return std::nullopt;
    }
    return entry->text;
}

}  // namespace capspect
