#include "mediainfo/fourcc.h"

#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace capspect {

// The table's text, compiled in from data/fourcc_descriptions.tsv at the repository root.
extern const std::string_view kFourCCDescriptionData;

namespace {

constexpr std::string_view kUnknownCodec = "Unknown Codec";

class FourCCTable {
public:
    static const FourCCTable& Instance() {
        static const FourCCTable table(kFourCCDescriptionData);
        return table;
    }

    std::span<const FourCCEntry> Exact() const { return exact_; }
    std::span<const FourCCEntry> CaseInsensitive() const { return caseInsensitive_; }

    std::string_view Describe(std::string_view code) const {
        if (const auto exact = exactIndex_.find(code); exact != exactIndex_.end()) {
            return exact->second;
        }
        std::string lowered(code);
        for (char& c : lowered) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        if (const auto other = caseInsensitiveIndex_.find(lowered);
            other != caseInsensitiveIndex_.end()) {
            return other->second;
        }
        return kUnknownCodec;
    }

private:
    // Lines are "exact|nocase TAB key TAB description"; '#' starts a comment line.
    explicit FourCCTable(std::string_view text) {
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
            if (line.empty() || line.front() == '#') {
                continue;
            }
            AddLine(line);
        }
        Index(exact_, exactIndex_);
        Index(caseInsensitive_, caseInsensitiveIndex_);
    }

    void AddLine(std::string_view line) {
        const std::size_t keyStart = line.find('\t');
        const std::size_t keyEnd =
            keyStart == std::string_view::npos ? keyStart : line.find('\t', keyStart + 1);
        if (keyEnd == std::string_view::npos) {
            throw std::logic_error("malformed FOURCC table line: " + std::string(line));
        }
        const std::string_view part = line.substr(0, keyStart);
        const FourCCEntry entry{line.substr(keyStart + 1, keyEnd - keyStart - 1),
                                line.substr(keyEnd + 1)};
        if (part == "exact") {
            exact_.push_back(entry);
        } else if (part == "nocase") {
            caseInsensitive_.push_back(entry);
        } else {
            throw std::logic_error("unknown FOURCC table part: " + std::string(part));
        }
    }

    // The first entry of a key wins, as a front-to-back search of the table would find it.
    static void Index(const std::vector<FourCCEntry>& entries,
                      std::unordered_map<std::string_view, std::string_view>& index) {
        for (const FourCCEntry& entry : entries) {
            index.emplace(entry.key, entry.description);
        }
    }

    std::vector<FourCCEntry> exact_;
    std::vector<FourCCEntry> caseInsensitive_;
    std::unordered_map<std::string_view, std::string_view> exactIndex_;
    std::unordered_map<std::string_view, std::string_view> caseInsensitiveIndex_;
};

}  // namespace

std::string FourCCDescription(std::string_view code) {
    return std::string(FourCCTable::Instance().Describe(code));
}

std::span<const FourCCEntry> ExactFourCCEntries() {
    return FourCCTable::Instance().Exact();
}

std::span<const FourCCEntry> CaseInsensitiveFourCCEntries() {
    return FourCCTable::Instance().CaseInsensitive();
}

}  // namespace capspect
