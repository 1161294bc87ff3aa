// Reads an error-text TSV of data/ (code, symbol, text) for tests that compare the
// compiled-in tables with their source.
#pragma once

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace capspect::test {

struct ErrorTsvRow {
    std::uint32_t code;
    std::string symbol;
    std::u16string text;  // the data files are ASCII
};

// The repository's data/ folder, from the build.
inline std::string DataPath(const std::string& file) {
    return std::string(CAPSPECT_DATA_DIR) + "/" + file;
}

inline std::vector<ErrorTsvRow> ReadErrorTsv(const std::string& file) {
    std::ifstream input(DataPath(file));
    if (!input) {
        throw std::runtime_error("cannot open " + DataPath(file));
    }
    std::vector<ErrorTsvRow> rows;
    std::string line;
    while (std::getline(input, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto first = line.find('\t');
        const auto second = line.find('\t', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            throw std::runtime_error("malformed row in " + file + ": " + line);
        }
        const std::string text = line.substr(second + 1);
        rows.push_back({static_cast<std::uint32_t>(std::stoul(line.substr(0, first), nullptr, 16)),
                        line.substr(first + 1, second - first - 1),
                        std::u16string(text.begin(), text.end())});
    }
    return rows;
}

}  // namespace capspect::test
