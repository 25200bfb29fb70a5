// The binary body in either byte order: vertex records, face records and elements passed
// over. Whole records lying in the file buffer are decoded in batches (PlyRecords.h) and
// then reported one by one, exactly as if each had just been read: CharsRead at its end,
// the progress bar, a yield and the stop test. A record that crosses the end of the
// buffer or of the file, or whose values do not convert, is read value by value.
#include <algorithm>
#include <bit>
#include <cmath>

#include "importply/CImp_PLY.h"
#include "platform/Convert.h"
#include "platform/Error.h"

namespace vlm {

namespace {

// Records decoded before they are reported; the batch's output stays in the cache.
constexpr size_t kBatch = 4096;

// Records the rest of the file could hold, at most `declared`.
size_t recordsToExpect(int64_t declared, int64_t remaining, uint32_t recordSize) {
  return static_cast<size_t>(std::clamp<int64_t>(declared, 0, remaining / recordSize));
}

// A coordinate read as `code`, times 10 in single precision (error 6 where it overflows).
float scaledCoordinate(int32_t code, double value) {
  const float single = code == ply::kFloat64 ? toSingle(value) : static_cast<float>(value);
  const float scaled = single * 10.0f;
  if (std::isinf(scaled) && !std::isinf(single)) raise(err::kOverflow);
  return scaled;
}

}  // namespace

void CImp_PLY::Read_BinaryBody() {
  // Little-endian values are taken as stored, any other order has its bytes reversed.
  const bool fileBigEndian = DataFormat != 2;
  swap_ = fileBigEndian != (std::endian::native == std::endian::big);
  marks_.ends.resize(kBatch);
  marks_.fills.resize(kBatch);
  // The body begins at the byte after the last character of the header.
  cursor_.emplace(import_->file(), int64_t{import_->CharsRead});

  for (const Element& element : bodyElements()) {
    if (import_->StopImport) return;
    switch (element.kind) {
      case ElementKind::Vertex: readBinaryVertices(); break;
      case ElementKind::Face: readBinaryFaces(); break;
      case ElementKind::Strips: readStrips(); return;
      case ElementKind::Other: skipBinaryElement(element); break;
    }
  }
}

double CImp_PLY::Read_BinaryValue(int32_t code) {
  const uint32_t size = ply::binarySize(code);
  if (size == 0) return 0;  // empty: nothing is read
  char bytes[8];
  cursor_->read(bytes, size);
  return ply::valueAt(code, swap_, bytes);
}

void CImp_PLY::reportRecord() { reportRecordEnd(cursor_->offset()); }

void CImp_PLY::reportRecordEnd(int64_t offset) {
  import_->CharsRead = ply::charsReadAt(offset);
  import_->showProgressWithin(import_->CharsRead);
  import_->DoEvents();
}

size_t CImp_PLY::reportBatch(int64_t base, size_t count, const uint32_t* ends, uint32_t stride) {
  for (size_t i = 0; i < count;) {
    reportRecordEnd(base + (ends != nullptr ? ends[i] : static_cast<int64_t>(i + 1) * stride));
    ++i;
    if (import_->StopImport) return i;
  }
  return count;
}

// --- Vertices ------------------------------------------------------------------------------

void CImp_PLY::readBinaryVertices() {
  // Records of no bytes hold nothing, and reading a declared count of them would not end.
  if (VertexProps.empty()) return;
  const ply::VertexLayout layout = ply::VertexLayout::of(VertexProps);
  const int64_t toRead = int64_t{VertexUpper} - VerticesRead;
  VertexCoords.reserve(VertexCoords.size() +
                       3 * recordsToExpect(toRead, cursor_->remaining(), layout.size));
  while (!cursor_->atEnd() && !import_->StopImport && VerticesRead < VertexUpper) {
    if (readVertexBatch(layout) == 0) readVertexRecord(layout);
  }
}

size_t CImp_PLY::readVertexBatch(const ply::VertexLayout& layout) {
  const std::string_view window = cursor_->window();
  const auto count = static_cast<size_t>(
      std::min<int64_t>({static_cast<int64_t>(window.size() / layout.size),
                         int64_t{VertexUpper} - VerticesRead, static_cast<int64_t>(kBatch)}));
  if (count == 0) return 0;
  // Decoded into a small buffer that stays in the cache, then appended, as faces are: the
  // big array is written once, where widening it for the batch first would clear it too.
  coordBatch_.resize(3 * count);
  const size_t done = ply::decodeVertices(layout, swap_, window.data(), count, coordBatch_.data());
  const size_t kept = reportBatch(cursor_->offset(), done, nullptr, layout.size);
  VertexCoords.insert(VertexCoords.end(), coordBatch_.begin(),
                      coordBatch_.begin() + static_cast<ptrdiff_t>(3 * kept));
  cursor_->advance(kept * layout.size);
  VerticesRead += static_cast<int32_t>(kept);
  return kept;
}

void CImp_PLY::readVertexRecord(const ply::VertexLayout& layout) {
  double values[3] = {0, 0, 0};
  for (const ply::PLYProperty& p : VertexProps) {
    const double value = Read_BinaryValue(p.PropType);
    if (p.Axis >= 0 && p.Axis <= 2) values[p.Axis] = value;
  }
  // A record the file does not hold whole is not stored.
  if (!cursor_->atEnd()) {
    float xyz[3] = {0, 0, 0};
    for (int a = 0; a < 3; ++a) {
      if (layout.code[a] >= 0) xyz[a] = scaledCoordinate(layout.code[a], values[a]);
    }
    ++VerticesRead;
    VertexCoords.insert(VertexCoords.end(), xyz, xyz + 3);
  }
  reportRecord();
}

// --- Faces ---------------------------------------------------------------------------------

void CImp_PLY::readBinaryFaces() {
  if (FaceProps.empty()) return;  // as with vertices: records of no bytes
  const ply::FaceLayout layout = ply::FaceLayout::of(FaceProps);
  const int64_t declared = int64_t{FaceUpper} + 1;
  const size_t expected = recordsToExpect(declared, cursor_->remaining(), layout.minSize);
  // Room for every polygon the records can hold, so the array never moves while it fills.
  const size_t entries = std::min(expected * layout.maxEntriesPerRecord(),
                                  layout.maxEntriesIn(static_cast<uint64_t>(cursor_->remaining())));
  PolygonData.reserve(PolygonData.size() + entries + kBatch * layout.maxEntriesPerRecord());
  for (int64_t read = 0; !cursor_->atEnd() && !import_->StopImport && read < declared;) {
    size_t records = readFaceBatch(layout, declared - read);
    if (records == 0) {
      readFaceRecord();
      records = 1;
    }
    read += static_cast<int64_t>(records);
  }
}

size_t CImp_PLY::readFaceBatch(const ply::FaceLayout& layout, int64_t limit) {
  const std::string_view window = cursor_->window();
  const auto count = static_cast<size_t>(std::min<int64_t>(limit, kBatch));
  if (window.size() < layout.minSize) return 0;
  // Decoded into a small buffer that stays in the cache, then appended: the big array is
  // written once, where widening it first for the batch's worst case would clear it too.
  batch_.resize(count * layout.maxEntriesPerRecord());
  size_t fill = 0;
  const size_t done = ply::decodeFaces(layout, swap_, window.data(), window.size(), count,
                                       batch_.data(), fill, marks_);
  const size_t kept = reportBatch(cursor_->offset(), done, marks_.ends.data(), 0);
  if (kept > 0) {
    PolygonData.insert(PolygonData.end(), batch_.begin(),
                       batch_.begin() + static_cast<ptrdiff_t>(marks_.fills[kept - 1]));
    cursor_->advance(marks_.ends[kept - 1]);
  }
  return kept;
}

void CImp_PLY::readFaceRecord() {
  const size_t start = PolygonData.size();
  for (const ply::PLYProperty& p : FaceProps) {
    if (!p.isList()) {
      Read_BinaryValue(p.PropType);
    } else if (const int32_t n = toLong(Read_BinaryValue(p.CountType)); n == 3 || n == 4) {
      double items[4];
      for (int32_t k = 0; k < n; ++k) items[k] = Read_BinaryValue(p.ItemType);
      if (cursor_->atEnd()) break;
      PolygonData.push_back(n);
      for (int32_t k = 0; k < n; ++k) PolygonData.push_back(toLong(items[k]));
    } else if (n > 0 && !cursor_->atEnd()) {
      // Other lengths make no polygon; their items are passed over.
      cursor_->skip(static_cast<uint64_t>(n), ply::binarySize(p.ItemType));
    }
    if (cursor_->atEnd()) break;
  }
  // A record the file does not hold whole adds no polygon.
  if (cursor_->atEnd()) PolygonData.resize(start);
  reportRecord();
}

// --- Other elements ------------------------------------------------------------------------

void CImp_PLY::skipBinaryElement(const Element& element) {
  const int64_t count = element.count.value_or(0);
  const bool scalarsOnly = std::none_of(element.props.begin(), element.props.end(),
                                        [](const ply::PLYProperty& p) { return p.isList(); });
  if (scalarsOnly) {
    uint32_t size = 0;
    for (const ply::PLYProperty& p : element.props) size += ply::binarySize(p.PropType);
    if (size > 0 && count > 0 && !cursor_->atEnd()) {
      cursor_->skip(static_cast<uint64_t>(count), size);
      reportRecord();
    }
    return;
  }
  for (int64_t read = 0; !cursor_->atEnd() && !import_->StopImport && read < count; ++read) {
    for (const ply::PLYProperty& p : element.props) {
      if (!p.isList()) {
        cursor_->skip(1, ply::binarySize(p.PropType));
      } else if (const int32_t n = toLong(Read_BinaryValue(p.CountType)); n > 0) {
        cursor_->skip(static_cast<uint64_t>(n), ply::binarySize(p.ItemType));
      }
      if (cursor_->atEnd()) break;
    }
    reportRecord();
  }
}

}  // namespace vlm
