#pragma once

#include <cstdint>
#include <span>

namespace vantrel {

// The Windows code page recorded in the header page (page 0), or 1252 when it cannot be
// read. Part of the header is masked with RC4 under a fixed key; the code page lies in it.
int headerCodePage(std::span<const uint8_t> page0);

}  // namespace vantrel
