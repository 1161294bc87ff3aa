// The Windows Media status and error texts, generated at build time from
// data/media_error_texts.tsv and sorted by code.
#pragma once

#include <span>

#include "platform/support/error_table.h"

namespace capspect {

std::span<const ErrorTextEntry> MediaErrorTable();

}  // namespace capspect
