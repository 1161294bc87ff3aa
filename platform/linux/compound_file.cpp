#include "platform/linux/compound_file.h"

#include <glib-object.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>

#include <algorithm>
#include <mutex>

#include "platform/support/unicode.h"

namespace capspect {
namespace {

// Nested storages deeper than this are treated as a damaged file rather than followed.
constexpr int kMaxStorageDepth = 32;
constexpr std::size_t kReadChunk = 64 * 1024;

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// CLSIDs are stored little-endian field by field, as the platform lays out a GUID.
std::array<guint8, 16> ClsidToBytes(const CLSID& clsid) {
    std::array<guint8, 16> bytes{};
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<guint8>(clsid.Data1 >> (8 * i));
    }
    bytes[4] = static_cast<guint8>(clsid.Data2);
    bytes[5] = static_cast<guint8>(clsid.Data2 >> 8);
    bytes[6] = static_cast<guint8>(clsid.Data3);
    bytes[7] = static_cast<guint8>(clsid.Data3 >> 8);
    std::copy(clsid.Data4.begin(), clsid.Data4.end(), bytes.begin() + 8);
    return bytes;
}

CLSID ClsidFromBytes(const std::array<guint8, 16>& bytes) {
    CLSID clsid;
    for (int i = 0; i < 4; ++i) {
        clsid.Data1 |= static_cast<DWORD>(bytes[i]) << (8 * i);
    }
    clsid.Data2 = static_cast<WORD>(bytes[4] | (bytes[5] << 8));
    clsid.Data3 = static_cast<WORD>(bytes[6] | (bytes[7] << 8));
    std::copy(bytes.begin() + 8, bytes.end(), clsid.Data4.begin());
    return clsid;
}

bool WriteStream(GsfOutput* output, const std::vector<BYTE>& bytes) {
    return bytes.empty() || gsf_output_write(output, bytes.size(), bytes.data());
}

bool WriteStorage(GsfOutfile* outfile, const StorageTree& tree) {
    if (tree.clsid != GUID_NULL) {
        const auto clsid = ClsidToBytes(tree.clsid);
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(outfile), clsid.data());
    }
    for (const auto& [key, element] : tree.elements) {
        const auto name = Utf16ToUtf8Strict(element.name);
        if (!name) {
            return false;
        }
        const bool isStorage = element.storage != nullptr;
        const GObjectPtr<GsfOutput> child(gsf_outfile_new_child(outfile, name->c_str(), isStorage));
        if (!child) {
            return false;
        }
        const bool written = isStorage ? WriteStorage(GSF_OUTFILE(child.get()), *element.storage)
                                       : WriteStream(child.get(), *element.stream);
        if (!gsf_output_close(child.get()) || !written) {
            return false;
        }
    }
    return true;
}

bool IsStorage(GsfInput* input) {
    return GSF_IS_INFILE(input) && gsf_infile_num_children(GSF_INFILE(input)) >= 0;
}

// The stream's bytes, or nullopt when the file cannot deliver them. A stream can never be
// larger than the file that holds it, which keeps a damaged size field from allocating.
std::optional<std::vector<BYTE>> ReadStream(GsfInput* input, std::size_t fileSize) {
    const gsf_off_t size = gsf_input_size(input);
    if (size < 0 || static_cast<std::uint64_t>(size) > fileSize) {
        return std::nullopt;
    }
    std::vector<BYTE> bytes(static_cast<std::size_t>(size));
    for (std::size_t offset = 0; offset < bytes.size();) {
        const std::size_t chunk = std::min(kReadChunk, bytes.size() - offset);
        if (gsf_input_read(input, chunk, bytes.data() + offset) == nullptr) {
            return std::nullopt;
        }
        offset += chunk;
    }
    return bytes;
}

bool ReadStorage(GsfInfile* infile, std::size_t fileSize, int depth, StorageTree& tree) {
    if (depth > kMaxStorageDepth) {
        return false;
    }
    std::array<guint8, 16> clsid{};
    if (GSF_IS_INFILE_MSOLE(infile) &&
        gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(infile), clsid.data())) {
        tree.clsid = ClsidFromBytes(clsid);
    }
    const int count = gsf_infile_num_children(infile);
    for (int i = 0; i < count; ++i) {
        const char* utf8Name = gsf_infile_name_by_index(infile, i);
        const GObjectPtr<GsfInput> child(gsf_infile_child_by_index(infile, i));
        if (utf8Name == nullptr || !child) {
            return false;
        }
        auto name = Utf8ToUtf16Strict(utf8Name);
        if (!name) {
            return false;
        }
        StorageElement element{std::move(*name), nullptr, nullptr};
        if (IsStorage(child.get())) {
            element.storage = std::make_shared<StorageTree>();
            if (!ReadStorage(GSF_INFILE(child.get()), fileSize, depth + 1, *element.storage)) {
                return false;
            }
        } else {
            auto bytes = ReadStream(child.get(), fileSize);
            if (!bytes) {
                return false;
            }
            element.stream = std::make_shared<std::vector<BYTE>>(std::move(*bytes));
        }
        // A name that appears twice keeps its first element.
        tree.elements.try_emplace(FoldElementName(element.name), std::move(element));
    }
    return true;
}

// libgsf reports damaged input through GLib's log as well as through its results. The
// results become STG_E_DOCFILECORRUPT; the log lines would only clutter the program's
// stderr, so they are dropped.
void SilenceLibraryDiagnostics() {
    static std::once_flag once;
    std::call_once(once, [] {
        const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                                        G_LOG_LEVEL_MESSAGE);
        const auto ignore = [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {};
        // Parts of libgsf log without a domain of their own, in GLib's default domain;
        // nothing else in the program logs there.
        for (const char* domain : {"libgsf", "libgsf:msole", static_cast<const char*>(nullptr)}) {
            g_log_set_handler(domain, levels, ignore, nullptr);
        }
    });
}

}  // namespace

StorageTree StorageTree::DeepCopy() const {
    StorageTree copy;
    copy.clsid = clsid;
    for (const auto& [key, element] : elements) {
        StorageElement elementCopy{element.name, nullptr, nullptr};
        if (element.storage) {
            elementCopy.storage = std::make_shared<StorageTree>(element.storage->DeepCopy());
        } else {
            elementCopy.stream = std::make_shared<std::vector<BYTE>>(*element.stream);
        }
        copy.elements.emplace(key, std::move(elementCopy));
    }
    return copy;
}

std::u16string FoldElementName(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& unit : folded) {
        // Surrogates stay as they are; characters outside the BMP do not change case here.
        if (unit < 0xD800 || unit > 0xDFFF) {
            const gunichar upper = g_unichar_toupper(unit);
            if (upper <= 0xFFFF) {
                unit = static_cast<char16_t>(upper);
            }
        }
    }
    return folded;
}

std::optional<std::vector<BYTE>> EncodeCompoundFile(const StorageTree& root) {
    const GObjectPtr<GsfOutput> sink(gsf_output_memory_new());
    const GObjectPtr<GsfOutfile> outfile(gsf_outfile_msole_new(sink.get()));
    if (!sink || !outfile) {
        return std::nullopt;
    }
    const bool written = WriteStorage(outfile.get(), root);
    if (!gsf_output_close(GSF_OUTPUT(outfile.get())) || !written) {
        return std::nullopt;
    }
    if (!gsf_output_is_closed(sink.get()) && !gsf_output_close(sink.get())) {
        return std::nullopt;
    }
    const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    const gsf_off_t size = gsf_output_size(sink.get());
    if (data == nullptr || size <= 0) {
        return std::nullopt;
    }
    return std::vector<BYTE>(data, data + size);
}

HRESULT DecodeCompoundFile(std::span<const BYTE> bytes, StorageTree& root) {
    if (!HasCompoundFileSignature(bytes)) {
        return STG_E_DOCFILECORRUPT;
    }
    SilenceLibraryDiagnostics();
    const GObjectPtr<GsfInput> source(
        gsf_input_memory_new(bytes.data(), static_cast<gsf_off_t>(bytes.size()), FALSE));
    GError* error = nullptr;
    const GObjectPtr<GsfInfile> infile(gsf_infile_msole_new(source.get(), &error));
    g_clear_error(&error);
    if (!infile) {
        return STG_E_DOCFILECORRUPT;
    }
    StorageTree tree;
    if (!ReadStorage(infile.get(), bytes.size(), 0, tree)) {
        return STG_E_DOCFILECORRUPT;
    }
    root = std::move(tree);
    return S_OK;
}

bool HasCompoundFileSignature(std::span<const BYTE> bytes) {
    return bytes.size() >= kCompoundFileSignature.size() &&
           std::equal(kCompoundFileSignature.begin(), kCompoundFileSignature.end(), bytes.begin());
}

}  // namespace capspect
