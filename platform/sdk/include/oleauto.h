// On Linux: OLE Automation: BSTR, VARIANT, property bags.
#pragma once

#include "platform/sdk/oleauto.h"
