// Numbers for distinct keys made of a few floats or integers, compared by their bits: an
// OBJ object lists each distinct normal once, a PLY vertex is copied once per distinct
// normal its corners have, a glTF vertex is one distinct position and normal. An
// open-addressing table that grows as keys arrive.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "refhost/Vec3.h"

namespace vlm::exporter {

template <size_t N>
class BitsIndex {
 public:
  using Key = std::array<uint32_t, N>;

  // Forgets every key (keeps the memory).
  void clear() noexcept {
    slots_.assign(slots_.size(), -1);
    keys_.clear();
  }

  // Room for `count` keys without growing (when none have been numbered yet).
  void reserve(size_t count) {
    if (!keys_.empty()) return;
    slots_.assign(std::bit_ceil(std::max(kInitialSlots, 2 * count + 1)), -1);
    keys_.reserve(count);
  }

  // The number of `key` from 0, a new one when no equal key has one yet.
  int32_t numberOf(const Key& key) {
    if (slots_.empty()) slots_.assign(kInitialSlots, -1);
    const size_t slot = slotOf(key);
    if (slots_[slot] >= 0) return slots_[slot];
    if (keys_.size() >= static_cast<size_t>(INT32_MAX)) throw std::length_error("too many keys");
    const auto number = static_cast<int32_t>(keys_.size());
    keys_.push_back(key);
    slots_[slot] = number;
    if (2 * keys_.size() > slots_.size()) grow();
    return number;
  }

  // The distinct keys in the order they got their numbers.
  const std::vector<Key>& keys() const noexcept { return keys_; }

 private:
  static constexpr size_t kInitialSlots = 1024;

  static uint64_t hashOf(const Key& key) noexcept {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (uint32_t word : key) {
      h ^= word;
      h *= 0xFF51AFD7ED558CCDull;
      h ^= h >> 29;
    }
    return h;
  }

  size_t slotOf(const Key& key) const noexcept {
    const size_t mask = slots_.size() - 1;
    size_t slot = hashOf(key) & mask;
    while (slots_[slot] >= 0 && keys_[static_cast<size_t>(slots_[slot])] != key)
      slot = (slot + 1) & mask;
    return slot;
  }

  void grow() {
    slots_.assign(2 * slots_.size(), -1);
    for (size_t i = 0; i < keys_.size(); ++i) slots_[slotOf(keys_[i])] = static_cast<int32_t>(i);
  }

  std::vector<int32_t> slots_;  // key number or -1; the size is a power of two
  std::vector<Key> keys_;
};

// The bits of a normal as a key.
inline BitsIndex<3>::Key normalKey(const Vec3f& n) noexcept {
  return {std::bit_cast<uint32_t>(n[0]), std::bit_cast<uint32_t>(n[1]),
          std::bit_cast<uint32_t>(n[2])};
}

// The key's normal again.
inline Vec3f normalOf(const BitsIndex<3>::Key& key) noexcept {
  return {std::bit_cast<float>(key[0]), std::bit_cast<float>(key[1]), std::bit_cast<float>(key[2])};
}

}  // namespace vlm::exporter
