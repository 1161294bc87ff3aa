#include "platform/devices/catalog.h"

#include <algorithm>
#include <cstring>

namespace capspect::sim {
namespace {

bool Contains(const std::vector<int>& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool IsVideoConnector(LONG type) {
    return type < 0x1000;
}

}  // namespace

bool CallFault::AppliesTo(int index) const {
    return !indices || Contains(*indices, index);
}

bool CrossbarPinInfoFault::AppliesTo(bool isInput, int index) const {
    if (!inputs && !outputs) {
        return true;
    }
    const auto& list = isInput ? inputs : outputs;
    return list && Contains(*list, index);
}

std::vector<BYTE> MediaTypeDesc::FormatBlock() const {
    std::vector<BYTE> block(cbFormat, 0);
    if (block.empty()) {
        return block;
    }
    std::visit(
        [&block](const auto& structure) {
            using Structure = std::decay_t<decltype(structure)>;
            if constexpr (!std::is_same_v<Structure, std::monostate>) {
                std::memcpy(block.data(), &structure, std::min(block.size(), sizeof structure));
            }
        },
        format);
    return block;
}

bool CrossbarDesc::CanRoute(int output, int input) const {
    if (output < 0 || input < 0 || static_cast<std::size_t>(output) >= outputs.size() ||
        static_cast<std::size_t>(input) >= inputs.size()) {
        return false;
    }
    const CrossbarOutput& target = outputs[static_cast<std::size_t>(output)];
    if (target.canRouteFrom) {
        return std::find(target.canRouteFrom->begin(), target.canRouteFrom->end(), input) !=
               target.canRouteFrom->end();
    }
    return IsVideoConnector(target.type) ==
           IsVideoConnector(inputs[static_cast<std::size_t>(input)].type);
}

}  // namespace capspect::sim
