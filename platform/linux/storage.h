// Streams in memory on Linux (the stream behind CreateStreamOnHGlobal).
#pragma once

#include "platform/sdk/storage.h"
#include "platform/support/comptr.h"

namespace capspect {

// An empty read-write memory stream, as CreateStreamOnHGlobal(nullptr, TRUE, ...) makes it.
ComPtr<IStream> CreateMemoryStream();

}  // namespace capspect
