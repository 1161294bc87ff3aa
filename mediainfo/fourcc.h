// Human-readable descriptions of the four-character handler codes of AVI video streams.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace capspect {

// One line of the description table. A description may hold further tab-separated fields
// after the description proper: the maker, a standard body or a web address.
struct FourCCEntry {
    std::string_view key;
    std::string_view description;
};

// Describes a video handler code such as "dvsd" or "XVID". A code equal to a key of the
// exact table gets that key's description; otherwise the code's letters A-Z are
// lower-cased and looked up among the case-insensitive keys; anything else (the empty
// code too) is "Unknown Codec".
std::string FourCCDescription(std::string_view code);

// The two parts of the table, in table order.
std::span<const FourCCEntry> ExactFourCCEntries();
std::span<const FourCCEntry> CaseInsensitiveFourCCEntries();

}  // namespace capspect
