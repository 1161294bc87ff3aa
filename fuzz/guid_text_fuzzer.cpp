// GUID text: the registry form (narrow and UTF-16, GuidFromString and CLSIDFromString) and
// the catalog's GUID names. Whatever parses must print back to the same text, modulo the
// case of the hex digits, and parse again to the same GUID.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/devices/catalog_names.h"
#include "platform/sdk/guid.h"
#include "platform/support/guids.h"

using namespace capspect;

namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

void CheckRegistryText(std::string_view text) {
    const auto guid = GuidFromString(text);
    const std::u16string wide(text.begin(), text.end());  // each byte as one code unit
    const auto wideGuid = GuidFromString(std::u16string_view(wide));
    fuzz::Check(guid == wideGuid, "narrow and UTF-16 text parse alike");
    if (wide.find(u'\0') == std::u16string::npos) {
        CLSID clsid{};
        const HRESULT hr = CLSIDFromString(wide.c_str(), &clsid);
        fuzz::Check(SUCCEEDED(hr) == guid.has_value(), "CLSIDFromString agrees");
        fuzz::Check(!guid || clsid == *guid, "CLSIDFromString gives the same GUID");
    }
    if (!guid) {
        return;
    }
    std::string upper(text);
    for (char& c : upper) {
        c = AsciiUpper(c);
    }
    const std::string printed = GuidToString(*guid);
    fuzz::Check(printed == upper, "a parsed GUID prints as its text");
    fuzz::Check(GuidFromString(printed) == guid, "printed text parses to the same GUID");
}

void CheckCatalogName(std::string_view text) {
    const auto guid = sim::GuidFromCatalogName(text);
    if (!guid) {
        return;
    }
    const std::string printed = sim::CatalogGuidText(*guid);
    const auto back =
        printed.starts_with('{') ? GuidFromString(printed) : sim::GuidFromCatalogName(printed);
    fuzz::Check(back == guid, "a catalog GUID name round-trips");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckRegistryText(text);
    CheckCatalogName(text);
    // Every pair of bytes as one UTF-16 code unit, so that characters beyond Latin-1
    // reach the parser too.
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    const auto guid = GuidFromString(std::u16string_view(units));
    fuzz::Check(!guid || GuidFromString(GuidToU16String(*guid)) == guid,
                "a GUID parsed from UTF-16 round-trips");
    return 0;
}
