// Triangle strips of a binary "tristrips" element. The strip list runs to the end of the
// file; each pass over the element's properties takes one index of each list, and a
// negative index ends the strip. A full window of three makes a triangle, every second
// one turned round so that all face the same way.
#include <algorithm>

#include "importply/CImp_PLY.h"
#include "platform/Convert.h"

namespace vlm {

namespace {
constexpr size_t kStripBatch = 4096;
}  // namespace

void CImp_PLY::readStrips() {
  // A pass that reads no byte would never reach the end of the file.
  if (FaceProps.empty()) return;
  // The length of each strip list comes once, before any strip, and is not used.
  for (const ply::PLYProperty& p : FaceProps) {
    if (p.isList()) Read_BinaryValue(p.CountType);
  }
  const bool oneList = FaceProps.size() == 1 && FaceProps[0].isList();
  // Each pass can make one triangle per list: room for as many passes as the rest holds.
  uint32_t passBytes = 0;
  size_t lists = 0;
  for (const ply::PLYProperty& p : FaceProps) {
    passBytes += ply::binarySize(p.isList() ? p.ItemType : p.PropType);
    lists += p.isList() ? 1 : 0;
  }
  PolygonData.reserve(PolygonData.size() +
                      4 * lists * static_cast<size_t>(cursor_->remaining() / passBytes) +
                      4 * kStripBatch);
  ply::StripState state;
  while (!cursor_->atEnd() && !import_->StopImport) {
    if (!oneList || readStripBatch(state) == 0) readStripPass(state);
  }
}

size_t CImp_PLY::readStripBatch(ply::StripState& state) {
  const int32_t itemCode = FaceProps[0].ItemType;
  const uint32_t size = ply::binarySize(itemCode);
  const std::string_view window = cursor_->window();
  const size_t count = std::min(window.size() / size, kStripBatch);
  if (count == 0) return 0;
  const size_t start = PolygonData.size();
  PolygonData.resize(start + 4 * count);
  size_t fill = start;
  const size_t done = ply::decodeStripItems(itemCode, swap_, window.data(), count, state,
                                            PolygonData.data(), fill, marks_.fills);
  const size_t kept = reportBatch(cursor_->offset(), done, nullptr, size);
  PolygonData.resize(kept > 0 ? marks_.fills[kept - 1] : start);
  cursor_->advance(kept * size);
  return kept;
}

void CImp_PLY::readStripPass(ply::StripState& state) {
  state.beginPass();
  for (const ply::PLYProperty& p : FaceProps) {
    if (!p.isList()) {
      Read_BinaryValue(p.PropType);
      continue;
    }
    const double value = Read_BinaryValue(p.ItemType);
    if (cursor_->atEnd()) break;  // an index the file does not hold whole
    int32_t triangle[4];
    const size_t added = state.add(toLong(value), triangle);
    PolygonData.insert(PolygonData.end(), triangle, triangle + added);
  }
  reportRecord();
}

}  // namespace vlm
