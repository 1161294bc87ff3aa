#include "platform/linux/compound_file.h"

#include <dlfcn.h>
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
#include <optional>

#include "platform/support/unicode.h"

namespace capspect {
namespace {

// Nested storages deeper than this are treated as a damaged file rather than followed.
constexpr int kMaxStorageDepth = 32;
constexpr std::size_t kReadChunk = 64 * 1024;

// The libgsf and GLib functions this file calls. libgsf brings GLib, GIO, libxml2 and ICU
// with it, which would cost every start of the program; only graph files need them, so
// the library is loaded when a compound file is first read or written.
#define CAPSPECT_GSF_FUNCTIONS(F)     \
    F(g_clear_error)                  \
    F(g_log_set_handler)              \
    F(g_object_unref)                 \
    F(g_type_check_instance_is_a)     \
    F(g_unichar_toupper)              \
    F(gsf_infile_child_by_index)      \
    F(gsf_infile_get_type)            \
    F(gsf_infile_msole_get_class_id)  \
    F(gsf_infile_msole_get_type)      \
    F(gsf_infile_msole_new)           \
    F(gsf_infile_name_by_index)       \
    F(gsf_infile_num_children)        \
    F(gsf_input_memory_new)           \
    F(gsf_input_read)                 \
    F(gsf_input_size)                 \
    F(gsf_outfile_msole_new)          \
    F(gsf_outfile_msole_set_class_id) \
    F(gsf_outfile_new_child)          \
    F(gsf_output_close)               \
    F(gsf_output_is_closed)           \
    F(gsf_output_memory_get_bytes)    \
    F(gsf_output_memory_new)          \
    F(gsf_output_size)                \
    F(gsf_output_write)

class GsfLibrary {
public:
#define CAPSPECT_GSF_POINTER(name) decltype(&::name) name = nullptr;
    CAPSPECT_GSF_FUNCTIONS(CAPSPECT_GSF_POINTER)
#undef CAPSPECT_GSF_POINTER

    // The library, loaded at the first call; null when it cannot be loaded. It stays
    // loaded: GLib's type system cannot be unloaded.
    static const GsfLibrary* Get() {
        static const std::optional<GsfLibrary> library = Load();
        return library ? &*library : nullptr;
    }

    bool IsA(const void* object, GType type) const {
        return object != nullptr &&
               g_type_check_instance_is_a(static_cast<GTypeInstance*>(const_cast<void*>(object)),
                                          type);
    }

private:
    static std::optional<GsfLibrary> Load() {
        void* const handle = dlopen(CAPSPECT_GSF_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            return std::nullopt;
        }
        GsfLibrary library;
        bool complete = true;
#define CAPSPECT_GSF_RESOLVE(name)                                            \
    library.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
    complete = complete && library.name != nullptr;
        CAPSPECT_GSF_FUNCTIONS(CAPSPECT_GSF_RESOLVE)
#undef CAPSPECT_GSF_RESOLVE
        if (!complete) {
            return std::nullopt;
        }
        return library;
    }
};

// GObject casts without GLib's checked-cast macros, which would link the library.
template <typename To, typename From>
To* GCast(From* object) {
    return reinterpret_cast<To*>(object);
}

struct GObjectUnref {
    void operator()(void* object) const {
        if (object != nullptr) {
            GsfLibrary::Get()->g_object_unref(object);
        }
    }
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

bool WriteStream(const GsfLibrary& gsf, GsfOutput* output, const std::vector<BYTE>& bytes) {
    return bytes.empty() || gsf.gsf_output_write(output, bytes.size(), bytes.data());
}

bool WriteStorage(const GsfLibrary& gsf, GsfOutfile* outfile, const StorageTree& tree) {
    if (tree.clsid != GUID_NULL) {
        const auto clsid = ClsidToBytes(tree.clsid);
        gsf.gsf_outfile_msole_set_class_id(GCast<GsfOutfileMSOle>(outfile), clsid.data());
    }
    for (const auto& [key, element] : tree.elements) {
        const auto name = Utf16ToUtf8Strict(element.name);
        if (!name) {
            return false;
        }
        const bool isStorage = element.storage != nullptr;
        const GObjectPtr<GsfOutput> child(
            gsf.gsf_outfile_new_child(outfile, name->c_str(), isStorage));
        if (!child) {
            return false;
        }
        const bool written =
            isStorage ? WriteStorage(gsf, GCast<GsfOutfile>(child.get()), *element.storage)
                      : WriteStream(gsf, child.get(), *element.stream);
        if (!gsf.gsf_output_close(child.get()) || !written) {
            return false;
        }
    }
    return true;
}

bool IsStorage(const GsfLibrary& gsf, GsfInput* input) {
    return gsf.IsA(input, gsf.gsf_infile_get_type()) &&
           gsf.gsf_infile_num_children(GCast<GsfInfile>(input)) >= 0;
}

// The stream's bytes, or nullopt when the file cannot deliver them. A stream can never be
// larger than the file that holds it, which keeps a damaged size field from allocating.
std::optional<std::vector<BYTE>> ReadStream(const GsfLibrary& gsf, GsfInput* input,
                                            std::size_t fileSize) {
    const gsf_off_t size = gsf.gsf_input_size(input);
    if (size < 0 || static_cast<std::uint64_t>(size) > fileSize) {
        return std::nullopt;
    }
    std::vector<BYTE> bytes(static_cast<std::size_t>(size));
    for (std::size_t offset = 0; offset < bytes.size();) {
        const std::size_t chunk = std::min(kReadChunk, bytes.size() - offset);
        if (gsf.gsf_input_read(input, chunk, bytes.data() + offset) == nullptr) {
            return std::nullopt;
        }
        offset += chunk;
    }
    return bytes;
}

bool ReadStorage(const GsfLibrary& gsf, GsfInfile* infile, std::size_t fileSize, int depth,
                 StorageTree& tree) {
    if (depth > kMaxStorageDepth) {
        return false;
    }
    std::array<guint8, 16> clsid{};
    if (gsf.IsA(infile, gsf.gsf_infile_msole_get_type()) &&
        gsf.gsf_infile_msole_get_class_id(GCast<GsfInfileMSOle>(infile), clsid.data())) {
        tree.clsid = ClsidFromBytes(clsid);
    }
    const int count = gsf.gsf_infile_num_children(infile);
    for (int i = 0; i < count; ++i) {
        const char* utf8Name = gsf.gsf_infile_name_by_index(infile, i);
        const GObjectPtr<GsfInput> child(gsf.gsf_infile_child_by_index(infile, i));
        if (utf8Name == nullptr || !child) {
            return false;
        }
        auto name = Utf8ToUtf16Strict(utf8Name);
        if (!name) {
            return false;
        }
        StorageElement element{std::move(*name), nullptr, nullptr};
        if (IsStorage(gsf, child.get())) {
            element.storage = std::make_shared<StorageTree>();
            if (!ReadStorage(gsf, GCast<GsfInfile>(child.get()), fileSize, depth + 1,
                             *element.storage)) {
                return false;
            }
        } else {
            auto bytes = ReadStream(gsf, child.get(), fileSize);
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
void SilenceLibraryDiagnostics(const GsfLibrary& gsf) {
    static std::once_flag once;
    std::call_once(once, [&gsf] {
        const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                                        G_LOG_LEVEL_MESSAGE);
        const auto ignore = [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {};
        // Parts of libgsf log without a domain of their own, in GLib's default domain;
        // nothing else in the program logs there.
        for (const char* domain : {"libgsf", "libgsf:msole", static_cast<const char*>(nullptr)}) {
            gsf.g_log_set_handler(domain, levels, ignore, nullptr);
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

// Upper case of one character: GLib's Unicode tables where the library is there, else
// ASCII only (no compound file can then be read or written anyway).
gunichar UpperCase(gunichar character) {
    if (const GsfLibrary* gsf = GsfLibrary::Get()) {
        return gsf->g_unichar_toupper(character);
    }
    return character >= u'a' && character <= u'z' ? character - (u'a' - u'A') : character;
}

std::u16string FoldElementName(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& unit : folded) {
        // Surrogates stay as they are; characters outside the BMP do not change case here.
        if (unit < 0xD800 || unit > 0xDFFF) {
            const gunichar upper = UpperCase(unit);
            if (upper <= 0xFFFF) {
                unit = static_cast<char16_t>(upper);
            }
        }
    }
    return folded;
}

std::optional<std::vector<BYTE>> EncodeCompoundFile(const StorageTree& root) {
    const GsfLibrary* const gsf = GsfLibrary::Get();
    if (gsf == nullptr) {
        return std::nullopt;
    }
    const GObjectPtr<GsfOutput> sink(gsf->gsf_output_memory_new());
    const GObjectPtr<GsfOutfile> outfile(gsf->gsf_outfile_msole_new(sink.get()));
    if (!sink || !outfile) {
        return std::nullopt;
    }
    const bool written = WriteStorage(*gsf, outfile.get(), root);
    if (!gsf->gsf_output_close(GCast<GsfOutput>(outfile.get())) || !written) {
        return std::nullopt;
    }
    if (!gsf->gsf_output_is_closed(sink.get()) && !gsf->gsf_output_close(sink.get())) {
        return std::nullopt;
    }
    const guint8* data = gsf->gsf_output_memory_get_bytes(GCast<GsfOutputMemory>(sink.get()));
    const gsf_off_t size = gsf->gsf_output_size(sink.get());
    if (data == nullptr || size <= 0) {
        return std::nullopt;
    }
    return std::vector<BYTE>(data, data + size);
}

HRESULT DecodeCompoundFile(std::span<const BYTE> bytes, StorageTree& root) {
    if (!HasCompoundFileSignature(bytes)) {
        return STG_E_DOCFILECORRUPT;
    }
    const GsfLibrary* const gsf = GsfLibrary::Get();
    if (gsf == nullptr) {
        return STG_E_READFAULT;
    }
    SilenceLibraryDiagnostics(*gsf);
    const GObjectPtr<GsfInput> source(
        gsf->gsf_input_memory_new(bytes.data(), static_cast<gsf_off_t>(bytes.size()), FALSE));
    GError* error = nullptr;
    const GObjectPtr<GsfInfile> infile(gsf->gsf_infile_msole_new(source.get(), &error));
    gsf->g_clear_error(&error);
    if (!infile) {
        return STG_E_DOCFILECORRUPT;
    }
    StorageTree tree;
    if (!ReadStorage(*gsf, infile.get(), bytes.size(), 0, tree)) {
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
