#pragma once
// SHA-1 of a block through the system's CryptoAPI. Any thread.
#include "PkgIndex.h"

#include <cstddef>

namespace orvdown {

bool HashBlock(const void* data, size_t cb, BlockHash* out);

}  // namespace orvdown
