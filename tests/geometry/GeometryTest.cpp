// The output file that replaces its target only when complete. Corner normals and scene
// colours are checked through the exports and the preview pictures that use them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "geometry/OutputFile.h"
#include "support/TempDir.h"

namespace vlm::geometry {
namespace {

// Pieces copied in and pieces placed in the buffer, then one longer than a block: on
// disk in order, over the old file, with the usual permissions.
TEST(OutputFile, BytesAcrossBlocksReplaceTheOldFileInOrder) {
  test::TempDir folder;
  const std::string path = folder.write("f", "old");
  const mode_t mask = ::umask(022);
  std::string expected;
  OutputFile out(path);
  for (int i = 0; expected.size() < 3 * OutputFile::kBufferSize; ++i) {
    const std::string piece = std::to_string(i) + ",";
    if (i % 3 == 0) {
      out.write(piece);
    } else {
      std::memcpy(out.room(piece.size()), piece.data(), piece.size());
      out.advance(piece.size());
    }
    expected += piece;
  }
  out.write(std::string(OutputFile::kBufferSize + 17, 'z'));
  out.commit();
  ::umask(mask);
  EXPECT_TRUE(test::slurp(path) == expected + std::string(OutputFile::kBufferSize + 17, 'z'));
  EXPECT_EQ(folder.names(), std::vector<std::string>{"f"});
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

}  // namespace
}  // namespace vlm::geometry
