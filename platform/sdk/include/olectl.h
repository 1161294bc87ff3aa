// On Linux: the property frame of OLE controls.
#pragma once

#include "platform/sdk/property_frame.h"
