// Whole-file reads and atomic whole-file replacement with the storage calls' error codes.
#pragma once

#include <cstddef>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "platform/sdk/hresult.h"
#include "platform/sdk/wintypes.h"

namespace capspect {

// The storage error for a failed file-system call: STG_E_FILENOTFOUND, STG_E_PATHNOTFOUND,
// STG_E_ACCESSDENIED, STG_E_MEDIUMFULL and so on; `fallback` for anything else.
HRESULT StorageErrorFromErrno(int error, HRESULT fallback);

// Reads at most `limit` bytes from the start of the regular file `path`.
HRESULT ReadFileBytes(const std::string& path, std::vector<BYTE>& bytes,
                      std::size_t limit = std::numeric_limits<std::size_t>::max());

// Writes `bytes` to a new file next to `path` and renames it over `path`, so that readers see
// either the old or the new contents, never a half-written file. An existing file keeps its
// permission bits.
HRESULT ReplaceFileBytes(const std::string& path, std::span<const BYTE> bytes);

}  // namespace capspect
