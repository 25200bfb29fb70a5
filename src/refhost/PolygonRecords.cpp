// Mesh::appendPolygonRecords: a polygon list's records stored as triangles, by two
// processors at once when the list is long and made of one kind of record.
//
// A list of triangles alone (or quads alone) has its records at known places: the second
// half starts at a record, and the first half's triangles end at a known place of the
// room. So a second thread reads the second half into the room's second part while this
// one reads the first half, as a single thread reads it. When the first half ends exactly
// where the second half starts, the second half's reading is taken, its triangles moved
// up where the first half stored fewer than its part holds (an invalid polygon stores
// none). Otherwise (records of the other kind put the halves out of step, or give the
// first half more triangles than its part holds) the whole list is read again here.
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/FaultAhead.h"
#include "platform/Prefetch.h"
#include "platform/Processors.h"
#include "refhost/Mesh.h"

namespace vlm::refhost {

namespace {

// Shorter lists are read on one processor.
constexpr size_t kSplitValuesFrom = size_t{1} << 18;
// Records looked at to see a list made of one kind of record.
constexpr size_t kSamples = 64;

// What reading a stretch of a polygon list gave.
struct RecordRun {
  size_t at = 0;            // where it stopped: the stretch's end, or a malformed record
  bool whole = true;        // false: it stopped at a malformed record
  bool failed = false;      // no memory for the numbers of its invalid polygons
  int32_t* out = nullptr;   // just past the triangles it stored
  int64_t numbers = 0;      // polygon numbers it used
  int64_t invalid = 0;      // invalid polygons
  std::vector<int64_t> slots;  // their numbers, counted from the stretch's first
};

// Reads the records starting before `to`, from `from` on, storing triangles from `out`;
// stops early at a polygon whose triangles would pass `limit`.
RecordRun readRecords(std::span<const int32_t> records, size_t from, size_t to,
                      uint32_t vertexCount, int32_t* out, const int32_t* limit) {
  RecordRun run;
  run.at = from;
  run.out = out;
  const auto exists = [vertexCount](int32_t v) { return static_cast<uint32_t>(v) < vertexCount; };
  while (run.at < to) {
    const int32_t count = records[run.at];
    if (!((count == 0 || count == 3 || count == 4) &&
          records.size() - run.at - 1 >= static_cast<size_t>(count))) {
      run.whole = false;
      return run;
    }
    // A record of no corners holds no polygon and takes no number.
    if (count != 0) {
      const int32_t* c = records.data() + run.at + 1;
      prefetchAhead(c);
      const int64_t numbers = count == 4 ? 2 : 1;
      if (exists(c[0]) && exists(c[1]) && exists(c[2]) && (count == 3 || exists(c[3]))) {
        if (limit - run.out < 3 * numbers) return run;
        run.out[0] = c[0], run.out[1] = c[1], run.out[2] = c[2];
        if (count == 4) run.out[3] = c[2], run.out[4] = c[3], run.out[5] = c[0];
        run.out += 3 * numbers;
      } else {
        for (int64_t i = 0; i < numbers; ++i) run.slots.push_back(run.numbers + i);
        ++run.invalid;
      }
      run.numbers += numbers;
    }
    run.at += 1 + static_cast<size_t>(count);
  }
  return run;
}

// The list read from `split` on by a second thread, into the room's part after the
// triangles the first half would give as a list of one kind, while this thread reads the
// first half. True when the first half ended exactly at `split`: then `runs` are the
// halves, the second's triangles moved up to follow the first's. False otherwise, with
// runs[0] the list as this thread alone reads it.
bool readInHalves(std::span<const int32_t> records, size_t split, uint32_t vertices,
                  int32_t* first, size_t room, RecordRun (&runs)[2]) {
  const auto corners = static_cast<size_t>(records[0]);
  int32_t* const middle = first + 3 * (split / (corners + 1)) * (corners - 2);
  bool started = false;
  try {
    std::jthread second([&] {
      try {
        runs[1] = readRecords(records, split, records.size(), vertices, middle, first + room);
      } catch (const std::bad_alloc&) {
        runs[1].failed = true;
      }
    });
    runs[0] = readRecords(records, 0, split, vertices, first, middle);
    started = true;
  } catch (const std::system_error&) {  // no thread: the whole on this one
  }
  const RecordRun& a = runs[0];
  if (started && a.whole && a.at == split && !runs[1].failed) {
    if (a.out != middle) std::memmove(a.out, middle, (runs[1].out - middle) * sizeof(int32_t));
    runs[1].out = a.out + (runs[1].out - middle);
    return true;
  }
  // A malformed record in the first half ends the list as on one processor.
  if (!started || a.whole) {
    runs[0] = readRecords(records, 0, records.size(), vertices, first, first + room);
  }
  return false;
}

}  // namespace

size_t polygonListSplit(std::span<const int32_t> records) noexcept {
  if (records.size() < kSplitValuesFrom) return 0;
  const int32_t count = records[0];
  if (count != 3 && count != 4) return 0;
  const size_t stride = static_cast<size_t>(count) + 1;
  const size_t total = records.size() / stride;
  for (size_t k = 1; k < kSamples; ++k) {
    if (records[k * total / kSamples * stride] != count) return 0;
  }
  return total / 2 * stride;
}

int64_t Mesh::appendPolygonRecords(std::span<const int32_t> records,
                                   const std::function<void(size_t)>& malformed) {
  const size_t triangles = corners_.size() / 3, invalidBefore = invalidSlots_.size();
  const int64_t numbers = polygonNumbers_;
  const size_t start = corners_.size();
  // Room for the most triangles the values could hold, two for every five.
  const size_t room = 3 * (records.size() / 5 * 2 + 1);
  corners_.resize(start + room);  // not zeroed: written below, the rest cut off
  int32_t* const first = corners_.data() + start;
  const auto vertices = static_cast<uint32_t>(vertexCount());
  RecordRun runs[2];
  bool halves = false;
  if (const size_t split = polygonListSplit(records); split != 0 && secondProcessorAvailable()) {
    halves = readInHalves(records, split, vertices, first, room, runs);
  } else {
    // Pages for the usual lists of triangles, one for every four values, the second half
    // of them faulted in on a second processor while the first is written.
    const size_t expected = 3 * (records.size() / 4) * sizeof(int32_t) / 2;
    faultInBackground(reinterpret_cast<const char*>(first) + expected,
                      reinterpret_cast<const char*>(first) + 2 * expected);
    runs[0] = readRecords(records, 0, records.size(), vertices, first, first + room);
  }
  const RecordRun& last = runs[halves ? 1 : 0];
  corners_.resize(start + static_cast<size_t>(last.out - first));
  if (!normals_.empty()) normals_.resize(3 * corners_.size(), 0.0f);
  for (const int64_t slot : runs[0].slots) invalidSlots_.push_back(numbers + slot);
  polygonNumbers_ = numbers + runs[0].numbers;
  if (halves) {
    for (const int64_t slot : runs[1].slots) invalidSlots_.push_back(polygonNumbers_ + slot);
    polygonNumbers_ += runs[1].numbers;
  }
  // Read in halves, the first half is whole.
  if (!last.whole) {
    takeBack(triangles, numbers, invalidBefore);
    malformed(last.at);
  }
  return runs[0].invalid + (halves ? runs[1].invalid : 0);
}

}  // namespace vlm::refhost
