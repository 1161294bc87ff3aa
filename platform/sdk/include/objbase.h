// On Linux: COM: IUnknown, object creation, task memory, monikers by display name, structured
// storage.
#pragma once

#include "platform/sdk/bind.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dispatch.h"
#include "platform/sdk/dshow/persist.h"
#include "platform/sdk/storage.h"
#include "platform/sdk/unknown.h"
