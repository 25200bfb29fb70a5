#include "importply/PlyRecords.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/Convert.h"

namespace vlm::ply {

namespace {

template <class T>
T load(const char* p) noexcept {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

template <bool kSwap>
uint16_t load16(const char* p) noexcept {
  const auto v = load<uint16_t>(p);
  return kSwap ? __builtin_bswap16(v) : v;
}
template <bool kSwap>
uint32_t load32(const char* p) noexcept {
  const auto v = load<uint32_t>(p);
  return kSwap ? __builtin_bswap32(v) : v;
}
template <bool kSwap>
uint64_t load64(const char* p) noexcept {
  const auto v = load<uint64_t>(p);
  return kSwap ? __builtin_bswap64(v) : v;
}

template <bool kSwap>
double valueOf(int32_t code, const char* p) noexcept {
  switch (code) {
    case kUInt8: return static_cast<uint8_t>(*p);
    case kInt16: return static_cast<int16_t>(load16<kSwap>(p));
    case kInt32: return static_cast<int32_t>(load32<kSwap>(p));
    case kFloat32: return std::bit_cast<float>(load32<kSwap>(p));
    case kFloat64: return std::bit_cast<double>(load64<kSwap>(p));
    default: return 0;
  }
}

// A whole number of `code` at `p`, exact for the integer codes; floating values round half
// to even. False when the value does not fit 32 bits.
template <bool kSwap>
bool indexAt(int32_t code, const char* p, int32_t& out) noexcept {
  switch (code) {
    case kUInt8: out = static_cast<uint8_t>(*p); return true;
    case kInt16: out = static_cast<int16_t>(load16<kSwap>(p)); return true;
    case kInt32: out = static_cast<int32_t>(load32<kSwap>(p)); return true;
    default: break;
  }
  const double r = roundHalfEven(valueOf<kSwap>(code, p));
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return false;
  out = static_cast<int32_t>(r);
  return true;
}

// A coordinate times 10 in single precision. False where the conversion overflows: a
// double beyond single range, or a finite value that times 10 is no longer finite.
template <bool kSwap>
bool coordinateAt(int32_t code, const char* p, float& out) noexcept {
  float value;
  if (code == kFloat64) {
    const double d = std::bit_cast<double>(load64<kSwap>(p));
    if (std::fabs(d) > std::numeric_limits<float>::max()) return false;
    value = static_cast<float>(d);
  } else if (code == kFloat32) {
    value = std::bit_cast<float>(load32<kSwap>(p));
  } else {
    value = static_cast<float>(valueOf<kSwap>(code, p));
  }
  out = value * 10.0f;
  return !(std::isinf(out) && !std::isinf(value));
}

// The common layout: x, y and z all single precision.
template <bool kSwap>
size_t decodeFloatVertices(const VertexLayout& layout, const char* src, size_t count,
                           float* out) noexcept {
  const uint32_t ox = layout.offset[0], oy = layout.offset[1], oz = layout.offset[2];
  for (size_t i = 0; i < count; ++i, src += layout.size, out += 3) {
    const float x = std::bit_cast<float>(load32<kSwap>(src + ox));
    const float y = std::bit_cast<float>(load32<kSwap>(src + oy));
    const float z = std::bit_cast<float>(load32<kSwap>(src + oz));
    out[0] = x * 10.0f;
    out[1] = y * 10.0f;
    out[2] = z * 10.0f;
    // Overflow only where a finite value grew past single range (NaN compares false).
    constexpr float kLargest = std::numeric_limits<float>::max() / 10.0f;
    if (std::fabs(x) > kLargest || std::fabs(y) > kLargest || std::fabs(z) > kLargest) [[unlikely]] {
      const float in[3] = {x, y, z};
      for (int a = 0; a < 3; ++a) {
        if (std::isinf(out[a]) && !std::isinf(in[a])) return i;
      }
    }
  }
  return count;
}

template <bool kSwap>
size_t decodeAnyVertices(const VertexLayout& layout, const char* src, size_t count,
                         float* out) noexcept {
  for (size_t i = 0; i < count; ++i, src += layout.size, out += 3) {
    for (int a = 0; a < 3; ++a) {
      out[a] = 0.0f;
      if (layout.code[a] >= 0 && !coordinateAt<kSwap>(layout.code[a], src + layout.offset[a], out[a])) {
        return i;
      }
    }
  }
  return count;
}

template <bool kSwap>
size_t decodeVerticesIn(const VertexLayout& layout, const char* src, size_t count,
                        float* out) noexcept {
  const bool allFloat = layout.code[0] == kFloat32 && layout.code[1] == kFloat32 &&
                        layout.code[2] == kFloat32;
  return allFloat ? decodeFloatVertices<kSwap>(layout, src, count, out)
                  : decodeAnyVertices<kSwap>(layout, src, count, out);
}

// One face record at `p` (`avail` bytes left). Returns the bytes it takes, or 0 with `fill`
// unchanged when it does not lie whole in the bytes or an index does not convert; polygons
// go to out[fill...].
template <bool kSwap>
size_t decodeFace(const FaceLayout& layout, const char* p, size_t avail, int32_t* out,
                  size_t& fill) noexcept {
  size_t used = 0;
  size_t added = 0;
  for (const FaceLayout::Entry& e : layout.entries) {
    if (avail - used < e.size) return 0;
    if (!e.list) {
      used += e.size;
      continue;
    }
    int32_t n = 0;
    indexAt<kSwap>(e.countCode, p + used, n);  // integer codes: always converts
    used += e.size;
    const uint32_t itemSize = binarySize(e.itemCode);
    const uint64_t items = n > 0 ? static_cast<uint64_t>(n) * itemSize : 0;
    if (avail - used < items) return 0;
    if (n == 3 || n == 4) {
      int32_t* rec = out + fill + added;
      rec[0] = n;
      for (int32_t k = 0; k < n; ++k) {
        if (!indexAt<kSwap>(e.itemCode, p + used + k * itemSize, rec[1 + k])) return 0;
      }
      added += static_cast<size_t>(n) + 1;
    }
    used += static_cast<size_t>(items);
  }
  fill += added;
  return used;
}

// The common record: one list with a one-byte count and 32-bit integer items.
template <bool kSwap>
size_t decodeByteIntFaces(const char* src, size_t avail, size_t count, int32_t* out,
                          size_t& fill, BatchMarks& marks) noexcept {
  size_t used = 0;
  size_t done = 0;
  for (; done < count && used < avail; ++done) {
    const char* p = src + used;
    const uint32_t n = static_cast<uint8_t>(*p);
    const size_t size = 1 + 4 * size_t{n};
    if (avail - used < size) break;
    if (n == 3 || n == 4) {
      int32_t* rec = out + fill;
      rec[0] = static_cast<int32_t>(n);
      rec[1] = static_cast<int32_t>(load32<kSwap>(p + 1));
      rec[2] = static_cast<int32_t>(load32<kSwap>(p + 5));
      rec[3] = static_cast<int32_t>(load32<kSwap>(p + 9));
      if (n == 4) rec[4] = static_cast<int32_t>(load32<kSwap>(p + 13));
      fill += n + 1;
    }
    used += size;
    marks.ends[done] = static_cast<uint32_t>(used);
    marks.fills[done] = fill;
  }
  return done;
}

template <bool kSwap>
size_t decodeFacesIn(const FaceLayout& layout, const char* src, size_t avail, size_t count,
                     int32_t* out, size_t& fill, BatchMarks& marks) noexcept {
  const auto& e = layout.entries;
  if (e.size() == 1 && e[0].list && e[0].countCode == kUInt8 && e[0].itemCode == kInt32) {
    return decodeByteIntFaces<kSwap>(src, avail, count, out, fill, marks);
  }
  size_t used = 0;
  size_t done = 0;
  for (; done < count; ++done) {
    const size_t size = decodeFace<kSwap>(layout, src + used, avail - used, out, fill);
    if (size == 0) break;
    used += size;
    marks.ends[done] = static_cast<uint32_t>(used);
    marks.fills[done] = fill;
  }
  return done;
}

template <bool kSwap>
size_t decodeStripsIn(int32_t itemCode, const char* src, size_t count, StripState& state,
                      int32_t* out, size_t& fill, std::vector<size_t>& fills) noexcept {
  const uint32_t size = binarySize(itemCode);
  for (size_t i = 0; i < count; ++i, src += size) {
    int32_t v;
    if (!indexAt<kSwap>(itemCode, src, v)) return i;
    state.beginPass();
    fill += state.add(v, out + fill);
    fills[i] = fill;
  }
  return count;
}

}  // namespace

VertexLayout VertexLayout::of(std::span<const PLYProperty> props) noexcept {
  VertexLayout layout;
  for (const PLYProperty& p : props) {
    if (p.Axis >= 0 && p.Axis <= 2) {
      layout.code[p.Axis] = p.PropType;
      layout.offset[p.Axis] = layout.size;
    }
    layout.size += binarySize(p.PropType);
  }
  return layout;
}

size_t decodeVertices(const VertexLayout& layout, bool swap, const char* src, size_t count,
                      float* out) noexcept {
  return swap ? decodeVerticesIn<true>(layout, src, count, out)
              : decodeVerticesIn<false>(layout, src, count, out);
}

FaceLayout FaceLayout::of(std::span<const PLYProperty> props) {
  FaceLayout layout;
  for (const PLYProperty& p : props) {
    FaceLayout::Entry e;
    e.list = p.isList();
    e.countCode = p.CountType;
    e.itemCode = p.ItemType;
    e.size = binarySize(e.list ? p.CountType : p.PropType);
    layout.entries.push_back(e);
    layout.minSize += e.size;
    if (e.list) ++layout.listCount;
  }
  return layout;
}

size_t FaceLayout::maxEntriesIn(uint64_t bytes) const noexcept {
  double perByte = 0;
  for (const Entry& e : entries) {
    if (!e.list) continue;
    const double item = binarySize(e.itemCode);
    perByte = std::max({perByte, 4 / (e.size + 3 * item), 5 / (e.size + 4 * item)});
  }
  return static_cast<size_t>(static_cast<double>(bytes) * perByte) + 1;
}

size_t decodeFaces(const FaceLayout& layout, bool swap, const char* src, size_t avail,
                   size_t count, int32_t* out, size_t& fill, BatchMarks& marks) noexcept {
  return swap ? decodeFacesIn<true>(layout, src, avail, count, out, fill, marks)
              : decodeFacesIn<false>(layout, src, avail, count, out, fill, marks);
}

size_t StripState::add(int32_t v, int32_t* out) noexcept {
  last = v;
  if (v < 0) return 0;
  if (held < 2) {
    window[held++] = v;
    return 0;
  }
  if (held == 2) {
    window[2] = v;
    held = 3;
  } else {
    window[0] = window[1];
    window[1] = window[2];
    window[2] = v;
  }
  out[0] = 3;
  if (flipped) {
    out[1] = window[2], out[2] = window[1], out[3] = window[0];
  } else {
    out[1] = window[0], out[2] = window[1], out[3] = window[2];
  }
  flipped = !flipped;
  return 4;
}

size_t decodeStripItems(int32_t itemCode, bool swap, const char* src, size_t count,
                        StripState& state, int32_t* out, size_t& fill,
                        std::vector<size_t>& fills) noexcept {
  return swap ? decodeStripsIn<true>(itemCode, src, count, state, out, fill, fills)
              : decodeStripsIn<false>(itemCode, src, count, state, out, fill, fills);
}

double valueAt(int32_t code, bool swap, const char* src) noexcept {
  return swap ? valueOf<true>(code, src) : valueOf<false>(code, src);
}

}  // namespace vlm::ply
