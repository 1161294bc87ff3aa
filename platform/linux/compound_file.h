// The contents of a compound file (the OLE2 / MS-CFB structured-storage format) held in
// memory, and its conversion from and to the file's bytes. libgsf does the container
// format; this is the only place that talks to it.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sdk/guid.h"
#include "platform/sdk/hresult.h"
#include "platform/sdk/wintypes.h"

namespace capspect {

// Every compound file starts with these eight bytes.
inline constexpr std::array<BYTE, 8> kCompoundFileSignature{0xD0, 0xCF, 0x11, 0xE0,
                                                            0xA1, 0xB1, 0x1A, 0xE1};

// The bytes of one stream, shared by the storage that holds it and its open IStream objects.
using StreamBytes = std::shared_ptr<std::vector<BYTE>>;

struct StorageTree;

// A named element of a storage: either a stream or a nested storage.
struct StorageElement {
    std::u16string name;  // as it was created; lookups ignore case
    StreamBytes stream;
    std::shared_ptr<StorageTree> storage;
};

// A storage with its elements, keyed by FoldElementName(name).
struct StorageTree {
    CLSID clsid;
    std::map<std::u16string, StorageElement> elements;

    // A copy that shares no stream bytes or nested storages with this one.
    StorageTree DeepCopy() const;
};

// Element names compare without regard to case, as the format orders them.
std::u16string FoldElementName(std::u16string_view name);

// The whole compound file for `root`; nullopt when libgsf could not produce it.
std::optional<std::vector<BYTE>> EncodeCompoundFile(const StorageTree& root);

// Reads every element of a compound file. STG_E_DOCFILECORRUPT when the bytes are not a
// readable compound file.
HRESULT DecodeCompoundFile(std::span<const BYTE> bytes, StorageTree& root);

bool HasCompoundFileSignature(std::span<const BYTE> bytes);

}  // namespace capspect
