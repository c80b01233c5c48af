// A read-only, bounds-checked view over untrusted bytes: the one way the
// plug-in reads a file's contents. Every access names an offset and a count
// inside the view and is checked first, in a form that cannot overflow in
// 32-bit arithmetic: `offset > size || count > size - offset`.
#pragma once

#include <cstdint>

class ByteView {
 public:
  constexpr ByteView() = default;
  constexpr ByteView(const std::uint8_t* data, std::uint32_t size)
      : data_(data), size_(data ? size : 0) {}

  constexpr std::uint32_t size() const { return size_; }
  constexpr const std::uint8_t* data() const { return data_; }

  // Are the `count` bytes from `offset` on all inside the view?
  constexpr bool contains(std::uint32_t offset, std::uint32_t count) const {
    return !(offset > size_ || count > size_ - offset);
  }

  // The bytes at [offset, offset + count), or nullptr when they are not all
  // inside the view.
  constexpr const std::uint8_t* at(std::uint32_t offset, std::uint32_t count) const {
    return contains(offset, count) ? data_ + offset : nullptr;
  }

  // The view over [offset, offset + count), or an empty view when that range
  // is not wholly inside this one.
  constexpr ByteView slice(std::uint32_t offset, std::uint32_t count) const {
    return contains(offset, count) ? ByteView(data_ + offset, count) : ByteView();
  }

  // Big-endian reads; false when the bytes are not all inside the view.
  constexpr bool u8(std::uint32_t offset, std::uint8_t* value) const {
    const std::uint8_t* p = at(offset, 1);
    if (!p) return false;
    *value = p[0];
    return true;
  }
  constexpr bool be16(std::uint32_t offset, std::uint16_t* value) const {
    const std::uint8_t* p = at(offset, 2);
    if (!p) return false;
    *value = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
    return true;
  }
  constexpr bool be32(std::uint32_t offset, std::uint32_t* value) const {
    const std::uint8_t* p = at(offset, 4);
    if (!p) return false;
    *value = std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
             std::uint32_t{p[2]} << 8 | p[3];
    return true;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  std::uint32_t size_ = 0;
};
