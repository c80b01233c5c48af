#include "io/byte_order.h"

std::atomic<bool> bigEndian{false};

namespace {

std::uint16_t swap16(std::uint16_t v) { return static_cast<std::uint16_t>(v << 8 | v >> 8); }

std::uint32_t swap32(std::uint32_t v) {
  return v << 24 | (v & 0xFF00u) << 8 | (v >> 8 & 0xFF00u) | v >> 24;
}

bool readsBigEndian() { return bigEndian.load(std::memory_order_relaxed); }

bool read16In(bool big, ByteView source, std::uint32_t position, std::uint16_t* value) {
  std::uint16_t stored = 0;
  if (!source.be16(position, &stored)) return false;
  *value = big ? stored : swap16(stored);
  return true;
}

bool read32In(bool big, ByteView source, std::uint32_t position, std::uint32_t* value) {
  std::uint32_t stored = 0;
  if (!source.be32(position, &stored)) return false;
  *value = big ? stored : swap32(stored);
  return true;
}

}  // namespace

bool read16(ByteView source, std::uint32_t position, std::uint16_t* value) {
  return read16In(readsBigEndian(), source, position, value);
}

bool read32(ByteView source, std::uint32_t position, std::uint32_t* value) {
  return read32In(readsBigEndian(), source, position, value);
}

bool readIntel16(ByteView source, std::uint32_t position, std::uint16_t* value) {
  return read16In(false, source, position, value);
}

bool readIntel32(ByteView source, std::uint32_t position, std::uint32_t* value) {
  return read32In(false, source, position, value);
}
