// Build-time generator: turns an error-text table (TSV: code, symbol, text) into a C++
// source file with a sorted, constant array of capspect::ErrorTextEntry and a function
// that answers it. The texts are copied exactly; the build fails on malformed rows and on
// codes that appear twice, so a broken data file never reaches the program.
//
// Usage: error_table_generator INPUT.tsv OUTPUT.cpp QUALIFIED::FUNCTION_NAME

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Row {
    std::uint32_t code = 0;
    std::string text;  // UTF-8
    std::size_t line = 0;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw std::runtime_error(where + ": " + what);
}

std::uint32_t ParseCode(std::string_view field, const std::string& where) {
    std::uint32_t code = 0;
    const auto* const end = field.data() + field.size();
    const auto [next, error] = std::from_chars(field.data(), end, code, 16);
    if (field.size() != 8 || error != std::errc{} || next != end) {
        Fail(where, "code '" + std::string(field) + "' is not 8 hex digits");
    }
    return code;
}

std::vector<Row> ReadRows(const std::string& path) {
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        Fail(path, "cannot open");
    }
    std::vector<Row> rows;
    std::string line;
    for (std::size_t number = 1; std::getline(input, line); ++number) {
        const std::string where = path + ":" + std::to_string(number);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto first_tab = line.find('\t');
        const auto second_tab =
            first_tab == std::string::npos ? std::string::npos : line.find('\t', first_tab + 1);
        if (second_tab == std::string::npos ||
            line.find('\t', second_tab + 1) != std::string::npos) {
            Fail(where, "expected three TAB-separated fields");
        }
        Row row;
        row.code = ParseCode(std::string_view(line).substr(0, first_tab), where);
        row.text = line.substr(second_tab + 1);
        row.line = number;
        rows.push_back(std::move(row));
    }
    return rows;
}

void SortAndCheckUnique(std::vector<Row>& rows, const std::string& path) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.code < b.code; });
    const auto duplicate = std::adjacent_find(
        rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.code == b.code; });
    if (duplicate != rows.end()) {
        Fail(path + ":" + std::to_string(std::next(duplicate)->line), "code appears twice");
    }
}

// Decodes one UTF-8 sequence starting at `pos`; advances `pos`.
char32_t DecodeUtf8(const std::string& text, std::size_t& pos, const std::string& where) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        value = lead & 0x07;
    } else {
        Fail(where, "invalid UTF-8");
    }
    for (; extra > 0; --extra) {
        if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) {
            Fail(where, "invalid UTF-8");
        }
        value = (value << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        Fail(where, "invalid UTF-8");
    }
    return value;
}

// The text as a u"" literal: printable ASCII as it stands, everything else escaped.
std::string Utf16Literal(const Row& row, const std::string& path) {
    const std::string where = path + ":" + std::to_string(row.line);
    std::ostringstream literal;
    literal << "u\"";
    for (std::size_t pos = 0; pos < row.text.size();) {
        const char32_t c = DecodeUtf8(row.text, pos, where);
        if (c == U'"' || c == U'\\') {
            literal << '\\' << static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            literal << static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            Fail(where, "control character in text");
        } else {
            char escape[16];
            std::snprintf(escape, sizeof escape, c > 0xFFFF ? "\\U%08X" : "\\u%04X",
                          static_cast<unsigned>(c));
            literal << escape;
        }
    }
    literal << '"';
    return literal.str();
}

void WriteSource(const std::vector<Row>& rows, const std::string& input_path,
                 const std::string& output_path, const std::string& qualified_name) {
    const auto split = qualified_name.rfind("::");
    const std::string name_space =
        split == std::string::npos ? std::string() : qualified_name.substr(0, split);
    const std::string function =
        split == std::string::npos ? qualified_name : qualified_name.substr(split + 2);

    std::ostringstream source;
    const auto slash = input_path.find_last_of('/');
    source << "// Generated at build time from "
           << (slash == std::string::npos ? input_path : input_path.substr(slash + 1))
           << " by error_table_generator. Do not edit.\n"
           << "#include \"platform/support/error_table.h\"\n\n";
    if (!name_space.empty()) {
        source << "namespace " << name_space << " {\n\n";
    }
    source << "std::span<const capspect::ErrorTextEntry> " << function << "() {\n"
           << "    static constexpr capspect::ErrorTextEntry kRows[] = {\n";
    for (const Row& row : rows) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08Xu", static_cast<unsigned>(row.code));
        source << "        {" << code << ", " << Utf16Literal(row, input_path) << "},\n";
    }
    source << "    };\n    return kRows;\n}\n";
    if (!name_space.empty()) {
        source << "\n}  // namespace " << name_space << "\n";
    }

    std::ofstream output(output_path, std::ios::binary | std::ios::trunc);
    output << source.str();
    if (!output.flush()) {
        Fail(output_path, "cannot write");
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::cerr << "usage: error_table_generator INPUT.tsv OUTPUT.cpp NAMESPACE::FUNCTION\n";
        return 2;
    }
    try {
        std::vector<Row> rows = ReadRows(argv[1]);
        if (rows.empty()) {
            Fail(argv[1], "no rows");
        }
        SortAndCheckUnique(rows, argv[1]);
        WriteSource(rows, argv[1], argv[2], argv[3]);
    } catch (const std::exception& error) {
        std::cerr << "error_table_generator: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
