// A bounded big-endian reader over one byte range. It never reads past the end of its range: a
// read that does not fit fails, leaves the output untouched and consumes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tvx {

/// A big-endian 32-bit value at p; the caller has checked that 4 bytes are there. For tight
/// loops over tables whose size was checked once.
inline std::uint32_t LoadBigEndian32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return __builtin_bswap32(v);
}

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t Remaining() const { return size_ - pos_; }
  std::size_t Position() const { return pos_; }
  std::size_t Size() const { return size_; }
  const std::uint8_t* Data() const { return data_; }
  /// The unread bytes.
  const std::uint8_t* Current() const { return data_ + pos_; }

  [[nodiscard]] bool Skip(std::size_t n) {
    if (n > Remaining()) return false;
    pos_ += n;
    return true;
  }

  /// Reads each argument in turn as a big-endian integer of its own width; all or nothing.
  template <typename... T>
  [[nodiscard]] bool Read(T&... out) {
    constexpr std::size_t total = (sizeof(T) + ... + 0);
    if (total > Remaining()) return false;
    (ReadOne(out), ...);
    return true;
  }

  /// A 32-bit value when version is 0, else a 64-bit one (the v0/v1 fields of full atoms).
  [[nodiscard]] bool ReadVersioned(std::uint8_t version, std::uint64_t& out) {
    if (version == 0) {
      std::uint32_t v = 0;
      if (!Read(v)) return false;
      out = v;
      return true;
    }
    return Read(out);
  }

  /// A reader over the next n bytes, which this reader then skips.
  [[nodiscard]] bool Sub(std::size_t n, ByteReader& out) {
    if (n > Remaining()) return false;
    out = ByteReader(data_ + pos_, n);
    pos_ += n;
    return true;
  }

  /// Points at the next n bytes and skips them.
  [[nodiscard]] bool Bytes(std::size_t n, const std::uint8_t*& out) {
    if (n > Remaining()) return false;
    out = data_ + pos_;
    pos_ += n;
    return true;
  }

 private:
  template <typename T>
  void ReadOne(T& out) {
    static_assert(std::is_integral_v<T>, "big-endian integers only");
    using U = std::make_unsigned_t<T>;
    U v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) v = U((v << 8) | data_[pos_ + i]);
    pos_ += sizeof(T);
    out = static_cast<T>(v);
  }

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
};

}  // namespace tvx
