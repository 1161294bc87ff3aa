#include "platform/sdk/storage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/linux/compound_file.h"
#include "platform/support/faults.h"
#include "platform/linux/file_bytes.h"
#include "platform/linux/memory_stream.h"
#include "platform/support/comobject.h"
#include "platform/support/unicode.h"

namespace capspect {
namespace {

constexpr DWORD kAccessMask = STGM_WRITE | STGM_READWRITE;
constexpr DWORD kShareMask = 0x70;
constexpr DWORD kKnownModeBits = STGM_TRANSACTED | STGM_SIMPLE | kAccessMask | kShareMask |
                                 STGM_PRIORITY | STGM_DELETEONRELEASE | STGM_NOSCRATCH |
                                 STGM_CREATE | STGM_CONVERT | STGM_NOSNAPSHOT | STGM_DIRECT_SWMR;
constexpr std::size_t kMaxElementName = 31;

bool HasWriteAccess(DWORD mode) {
    return (mode & kAccessMask) != 0;
}

// STG_E_INVALIDFLAG for unknown bits and combinations that contradict each other.
HRESULT CheckModeBits(DWORD mode) {
    if ((mode & ~kKnownModeBits) != 0 || (mode & kAccessMask) == kAccessMask ||
        (mode & kShareMask) > STGM_SHARE_DENY_NONE ||
        ((mode & STGM_CREATE) != 0 && (mode & STGM_CONVERT) != 0)) {
        return STG_E_INVALIDFLAG;
    }
    return S_OK;
}

// Streams and nested storages are opened for exclusive use only, as the platform requires.
HRESULT CheckElementMode(DWORD mode, DWORD notAllowed) {
    if (const HRESULT hr = CheckModeBits(mode); FAILED(hr)) {
        return hr;
    }
    if ((mode & kShareMask) != STGM_SHARE_EXCLUSIVE || (mode & notAllowed) != 0) {
        return STG_E_INVALIDFLAG;
    }
    return S_OK;
}

HRESULT CheckElementName(LPCOLESTR name, std::u16string& checked) {
    if (name == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    const std::u16string_view view(name);
    if (view.empty() || view.size() > kMaxElementName ||
        view.find_first_of(u"/\\:!") != std::u16string_view::npos) {
        return STG_E_INVALIDNAME;
    }
    checked = view;
    return S_OK;
}

std::optional<std::string> FileSystemPath(LPCOLESTR name) {
    auto path = Utf16ToUtf8Strict(name);
    if (!path || path->empty()) {
        return std::nullopt;
    }
    return path;
}

// The file behind a root storage, the storage tree in memory and the tree as it was last
// written, which Revert returns to.
class StorageFile {
public:
    StorageFile(std::string path, bool transacted, StorageTree contents)
        : path_(std::move(path)),
          transacted_(transacted),
          root_(std::make_shared<StorageTree>(contents.DeepCopy())),
          committed_(std::move(contents)) {}

    const std::shared_ptr<StorageTree>& Root() const { return root_; }
    bool IsTransacted() const { return transacted_; }

    HRESULT Write() {
        const auto bytes = EncodeCompoundFile(*root_);
        if (!bytes) {
            return STG_E_WRITEFAULT;
        }
        if (const HRESULT hr = ReplaceFileBytes(path_, *bytes); FAILED(hr)) {
            return hr;
        }
        committed_ = root_->DeepCopy();
        return S_OK;
    }

    // Storages and streams opened before this keep their detached contents; their changes no
    // longer reach the file.
    void Revert() { *root_ = committed_.DeepCopy(); }

private:
    std::string path_;
    bool transacted_;
    std::shared_ptr<StorageTree> root_;
    StorageTree committed_;
};

// IStorage over one storage of a compound file held in memory. Nested storages share the
// root's file; only the root writes it.
class CompoundStorage final : public ComObject<IStorage> {
public:
    CompoundStorage(std::shared_ptr<StorageFile> file, std::shared_ptr<StorageTree> node,
                    DWORD mode, std::u16string name, bool isRoot)
        : file_(std::move(file)),
          node_(std::move(node)),
          mode_(mode),
          name_(std::move(name)),
          isRoot_(isRoot) {}

    ~CompoundStorage() override {
        // In direct mode the last release of the root is the moment the file is written.
        if (isRoot_ && !file_->IsTransacted() && HasWriteAccess(mode_)) {
            try {
                file_->Write();
            } catch (...) {
                // A destructor cannot report the failure; the file keeps its last contents.
            }
        }
    }

    HRESULT CreateStream(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2,
                         IStream** stream) override {
        if (const auto fault = InjectedFault("IStorage::CreateStream")) {
            return *fault;
        }
        if (stream == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *stream = nullptr;
        StorageElement* element = nullptr;
        if (const HRESULT hr =
                CreateElement(name, mode, reserved1, reserved2, kNotForStreams, element);
            FAILED(hr)) {
            return hr;
        }
        element->stream = std::make_shared<std::vector<BYTE>>();
        *stream = MakeComObject<MemoryStream>(element->stream, mode, element->name).Detach();
        return S_OK;
    }

    HRESULT OpenStream(LPCOLESTR name, void* reserved1, DWORD mode, DWORD reserved2,
                       IStream** stream) override {
        if (const auto fault = InjectedFault("IStorage::OpenStream")) {
            return *fault;
        }
        if (stream == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *stream = nullptr;
        if (reserved1 != nullptr || reserved2 != 0) {
            return STG_E_INVALIDPARAMETER;
        }
        const StorageElement* element = nullptr;
        if (const HRESULT hr = OpenElement(name, mode, kNotForStreams, element); FAILED(hr)) {
            return hr;
        }
        if (!element->stream) {
            return STG_E_FILENOTFOUND;
        }
        *stream = MakeComObject<MemoryStream>(element->stream, mode, element->name).Detach();
        return S_OK;
    }

    HRESULT CreateStorage(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2,
                          IStorage** storage) override {
        if (const auto fault = InjectedFault("IStorage::CreateStorage")) {
            return *fault;
        }
        if (storage == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *storage = nullptr;
        StorageElement* element = nullptr;
        if (const HRESULT hr =
                CreateElement(name, mode, reserved1, reserved2, kNotForStorages, element);
            FAILED(hr)) {
            return hr;
        }
        element->storage = std::make_shared<StorageTree>();
        *storage = MakeNested(*element, mode);
        return S_OK;
    }

    HRESULT OpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                        IStorage** storage) override {
        if (const auto fault = InjectedFault("IStorage::OpenStorage")) {
            return *fault;
        }
        if (storage == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *storage = nullptr;
        if (priority != nullptr || exclude != nullptr) {
            return STG_E_INVALIDFUNCTION;
        }
        if (reserved != 0) {
            return STG_E_INVALIDPARAMETER;
        }
        const StorageElement* element = nullptr;
        if (const HRESULT hr = OpenElement(name, mode, kNotForStorages, element); FAILED(hr)) {
            return hr;
        }
        if (!element->storage) {
            return STG_E_FILENOTFOUND;
        }
        *storage = MakeNested(*element, mode);
        return S_OK;
    }

    HRESULT CopyTo(DWORD /*excludeCount*/, const IID* /*excludeIids*/, SNB /*excludeNames*/,
                   IStorage* /*target*/) override {
        return E_NOTIMPL;
    }

    HRESULT MoveElementTo(LPCOLESTR /*name*/, IStorage* /*target*/, LPCOLESTR /*newName*/,
                          DWORD /*flags*/) override {
        return E_NOTIMPL;
    }

    HRESULT Commit(DWORD /*commitFlags*/) override {
        if (const auto fault = InjectedFault("IStorage::Commit")) {
            return *fault;
        }
        // Nested storages change the root's tree directly; a storage without write access
        // has nothing to write.
        if (!isRoot_ || !HasWriteAccess(mode_)) {
            return S_OK;
        }
        return file_->Write();
    }

    HRESULT Revert() override {
        if (isRoot_ && file_->IsTransacted()) {
            file_->Revert();
        }
        return S_OK;
    }

    HRESULT EnumElements(DWORD /*reserved1*/, void* /*reserved2*/, DWORD /*reserved3*/,
                         IEnumSTATSTG** enumerator) override {
        if (enumerator != nullptr) {
            *enumerator = nullptr;
        }
        return E_NOTIMPL;
    }

    HRESULT DestroyElement(LPCOLESTR name) override {
        std::u16string checked;
        if (const HRESULT hr = CheckElementName(name, checked); FAILED(hr)) {
            return hr;
        }
        if (!HasWriteAccess(mode_)) {
            return STG_E_ACCESSDENIED;
        }
        return node_->elements.erase(FoldElementName(checked)) > 0 ? S_OK : STG_E_FILENOTFOUND;
    }

    HRESULT RenameElement(LPCOLESTR oldName, LPCOLESTR newName) override {
        std::u16string from;
        std::u16string to;
        if (const HRESULT hr = CheckElementName(oldName, from); FAILED(hr)) {
            return hr;
        }
        if (const HRESULT hr = CheckElementName(newName, to); FAILED(hr)) {
            return hr;
        }
        if (!HasWriteAccess(mode_)) {
            return STG_E_ACCESSDENIED;
        }
        auto found = node_->elements.find(FoldElementName(from));
        if (found == node_->elements.end()) {
            return STG_E_FILENOTFOUND;
        }
        const std::u16string toKey = FoldElementName(to);
        if (toKey != found->first && node_->elements.contains(toKey)) {
            return STG_E_ACCESSDENIED;
        }
        StorageElement element = std::move(found->second);
        node_->elements.erase(found);
        element.name = std::move(to);
        node_->elements.insert_or_assign(toKey, std::move(element));
        return S_OK;
    }

    HRESULT SetElementTimes(LPCOLESTR /*name*/, const FILETIME* /*created*/,
                            const FILETIME* /*accessed*/, const FILETIME* /*modified*/) override {
        return E_NOTIMPL;
    }

    HRESULT SetClass(REFCLSID clsid) override {
        if (!HasWriteAccess(mode_)) {
            return STG_E_ACCESSDENIED;
        }
        node_->clsid = clsid;
        return S_OK;
    }

    HRESULT SetStateBits(DWORD /*stateBits*/, DWORD /*mask*/) override { return E_NOTIMPL; }

    HRESULT Stat(STATSTG* statistics, DWORD statFlag) override {
        if (const auto fault = InjectedFault("IStorage::Stat")) {
            return *fault;
        }
        return FillStatistics(statistics, statFlag, name_, STGTY_STORAGE, 0, mode_, node_->clsid);
    }

private:
    static constexpr DWORD kNotForStreams =
        STGM_TRANSACTED | STGM_PRIORITY | STGM_DELETEONRELEASE | STGM_CONVERT;
    static constexpr DWORD kNotForStorages = STGM_PRIORITY | STGM_DELETEONRELEASE | STGM_CONVERT;

    // Checks a new element's name and mode and makes room for it; the caller fills it in.
    HRESULT CreateElement(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2,
                          DWORD notAllowed, StorageElement*& created) {
        std::u16string checked;
        if (const HRESULT hr = CheckElementName(name, checked); FAILED(hr)) {
            return hr;
        }
        if (reserved1 != 0 || reserved2 != 0) {
            return STG_E_INVALIDPARAMETER;
        }
        if (const HRESULT hr = CheckElementMode(mode, notAllowed); FAILED(hr)) {
            return hr;
        }
        if (!HasWriteAccess(mode_)) {
            return STG_E_ACCESSDENIED;
        }
        std::u16string key = FoldElementName(checked);
        if (node_->elements.contains(key) && (mode & STGM_CREATE) == 0) {
            return STG_E_FILEALREADYEXISTS;
        }
        created = &node_->elements
                       .insert_or_assign(std::move(key), StorageElement{std::move(checked), {}, {}})
                       .first->second;
        return S_OK;
    }

    HRESULT OpenElement(LPCOLESTR name, DWORD mode, DWORD notAllowed,
                        const StorageElement*& found) {
        std::u16string checked;
        if (const HRESULT hr = CheckElementName(name, checked); FAILED(hr)) {
            return hr;
        }
        if (const HRESULT hr = CheckElementMode(mode, notAllowed | STGM_CREATE); FAILED(hr)) {
            return hr;
        }
        if (HasWriteAccess(mode) && !HasWriteAccess(mode_)) {
            return STG_E_ACCESSDENIED;
        }
        const auto element = node_->elements.find(FoldElementName(checked));
        if (element == node_->elements.end()) {
            return STG_E_FILENOTFOUND;
        }
        found = &element->second;
        return S_OK;
    }

    IStorage* MakeNested(const StorageElement& element, DWORD mode) const {
        return MakeComObject<CompoundStorage>(file_, element.storage, mode, element.name, false)
            .Detach();
    }

    std::shared_ptr<StorageFile> file_;
    std::shared_ptr<StorageTree> node_;
    DWORD mode_;
    std::u16string name_;
    bool isRoot_;
};

IStorage* MakeRoot(std::shared_ptr<StorageFile> file, DWORD mode, LPCOLESTR name) {
    auto root = file->Root();
    return MakeComObject<CompoundStorage>(std::move(file), std::move(root), mode,
                                          std::u16string(name), true)
        .Detach();
}

// Refuses write access to an existing file that cannot be written, as the platform does
// when the storage is opened rather than when it is first committed.
HRESULT CheckWritable(const std::string& path, DWORD mode) {
    if (HasWriteAccess(mode) && ::access(path.c_str(), W_OK) != 0) {
        return StorageErrorFromErrno(errno, STG_E_ACCESSDENIED);
    }
    return S_OK;
}

}  // namespace
}  // namespace capspect

HRESULT StgCreateDocfile(LPCOLESTR name, DWORD mode, DWORD reserved, IStorage** storage) {
    using namespace capspect;
    if (const auto fault = InjectedFault("StgCreateDocfile")) {
        return *fault;
    }
    if (storage == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    *storage = nullptr;
    if (reserved != 0) {
        return STG_E_INVALIDPARAMETER;
    }
    if (const HRESULT hr = CheckModeBits(mode); FAILED(hr)) {
        return hr;
    }
    if (name == nullptr || (mode & (STGM_CONVERT | STGM_DELETEONRELEASE | STGM_PRIORITY)) != 0) {
        return STG_E_INVALIDFUNCTION;
    }
    const auto path = FileSystemPath(name);
    if (!path) {
        return STG_E_INVALIDNAME;
    }
    struct stat existing {};
    const bool exists = ::stat(path->c_str(), &existing) == 0;
    if (exists && (mode & STGM_CREATE) == 0) {
        return STG_E_FILEALREADYEXISTS;
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        return STG_E_ACCESSDENIED;
    }
    const bool transacted = (mode & STGM_TRANSACTED) != 0;
    auto file = std::make_shared<StorageFile>(*path, transacted, StorageTree{});
    // A transacted storage replaces an existing file only when it is committed.
    if (!exists || !transacted) {
        if (const HRESULT hr = file->Write(); FAILED(hr)) {
            return hr;
        }
    } else if (const HRESULT hr = CheckWritable(*path, mode); FAILED(hr)) {
        return hr;
    }
    *storage = MakeRoot(std::move(file), mode, name);
    return S_OK;
}

HRESULT StgOpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                       IStorage** storage) {
    using namespace capspect;
    if (const auto fault = InjectedFault("StgOpenStorage")) {
        return *fault;
    }
    if (storage == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    *storage = nullptr;
    if (priority != nullptr || exclude != nullptr) {
        return STG_E_INVALIDFUNCTION;
    }
    if (reserved != 0) {
        return STG_E_INVALIDPARAMETER;
    }
    if (const HRESULT hr = CheckModeBits(mode); FAILED(hr)) {
        return hr;
    }
    if ((mode & (STGM_CREATE | STGM_CONVERT | STGM_DELETEONRELEASE)) != 0) {
        return STG_E_INVALIDFLAG;
    }
    const auto path = name == nullptr ? std::nullopt : FileSystemPath(name);
    if (!path) {
        return STG_E_INVALIDNAME;
    }
    std::vector<BYTE> bytes;
    if (const HRESULT hr = ReadFileBytes(*path, bytes); FAILED(hr)) {
        return hr;
    }
    if (!HasCompoundFileSignature(bytes)) {
        return STG_E_FILEALREADYEXISTS;
    }
    StorageTree contents;
    if (const HRESULT hr = DecodeCompoundFile(bytes, contents); FAILED(hr)) {
        return hr;
    }
    if (const HRESULT hr = CheckWritable(*path, mode); FAILED(hr)) {
        return hr;
    }
    const bool transacted = (mode & STGM_TRANSACTED) != 0;
    *storage =
        MakeRoot(std::make_shared<StorageFile>(*path, transacted, std::move(contents)), mode, name);
    return S_OK;
}

HRESULT StgIsStorageFile(LPCOLESTR name) {
    using namespace capspect;
    if (const auto fault = InjectedFault("StgIsStorageFile")) {
        return *fault;
    }
    const auto path = name == nullptr ? std::nullopt : FileSystemPath(name);
    if (!path) {
        return STG_E_INVALIDNAME;
    }
    std::vector<BYTE> start;
    if (const HRESULT hr = ReadFileBytes(*path, start, kCompoundFileSignature.size()); FAILED(hr)) {
        return hr;
    }
    return HasCompoundFileSignature(start) ? S_OK : S_FALSE;
}
