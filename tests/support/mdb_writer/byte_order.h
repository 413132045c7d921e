#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "tests/support/mdb_writer/values.h"

// Little-endian integers into byte buffers, as every structure of the file stores them.
namespace vantrel::mdbwriter {

inline void putLe(std::span<uint8_t> out, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i)
    out[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void appendLe(Bytes& out, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Names compare without regard to ASCII case, as Jet compares them.
inline std::string asciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace vantrel::mdbwriter
