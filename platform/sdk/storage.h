// Structured storage: compound files (the OLE2 / MS-CFB format) and streams in memory.
//
// A compound file is read whole when it is opened and written whole, atomically, when its
// root storage is committed (transacted mode) or finally released (direct mode). Between
// those moments every stream and nested storage lives in memory, which suits small files
// such as saved graphs. libgsf reads and writes the container format.
//
// IStorage supports CreateStream, OpenStream, CreateStorage, OpenStorage, Commit, Revert,
// DestroyElement, RenameElement, SetClass and Stat. CopyTo, MoveElementTo, EnumElements,
// SetElementTimes and SetStateBits answer E_NOTIMPL. Element names compare without regard to
// case; they are 1 to 31 characters long and do not contain '/', '\', ':' or '!'.
//
// Every call asks capspect::InjectedFault first, under its own name ("StgCreateDocfile",
// "StgOpenStorage", "StgIsStorageFile", "CreateStreamOnHGlobal") or its interface and method
// name ("IStorage::CreateStream", "IStream::Write", ...).
#pragma once

#include "platform/sdk/dshow/persist.h"

// Creates a compound file. Supported modes: STGM_DIRECT or STGM_TRANSACTED; STGM_CREATE (an
// existing file is replaced, in transacted mode only when the root is committed) or
// STGM_FAILIFTHERE (STG_E_FILEALREADYEXISTS for an existing file). A new file exists on disk,
// as an empty compound file, as soon as the call succeeds. A null name (a temporary file),
// STGM_CONVERT and STGM_DELETEONRELEASE answer STG_E_INVALIDFUNCTION.
HRESULT StgCreateDocfile(LPCOLESTR name, DWORD mode, DWORD reserved, IStorage** storage);

// Opens a compound file. A file without the compound-file signature answers
// STG_E_FILEALREADYEXISTS, a damaged one STG_E_DOCFILECORRUPT. A priority storage and an
// exclusion list are not supported (STG_E_INVALIDFUNCTION).
HRESULT StgOpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                       IStorage** storage);

// S_OK when the file starts with the compound-file signature, S_FALSE for any other file,
// STG_E_FILENOTFOUND, STG_E_PATHNOTFOUND, STG_E_ACCESSDENIED, ... when it cannot be read.
HRESULT StgIsStorageFile(LPCOLESTR name);

// A stream over a growing memory block. Only a null `global` (a new block owned by the
// stream) is supported; other blocks answer E_INVALIDARG.
HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL deleteOnRelease, IStream** stream);
