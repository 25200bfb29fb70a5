// CImp_POV: Load, the line and word loops, the tokeniser and the objects.
#include "importpov/CImp_POV.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "fileio/Numbers.h"
#include "platform/Error.h"

namespace vlm {

namespace {

constexpr std::string_view kUnnamedObject = "Object";

// Brace depth is a 32-bit count, as any whole number the reader keeps.
int32_t stepDepth(int32_t depth, int32_t step) {
  if (step > 0 ? depth == std::numeric_limits<int32_t>::max()
               : depth == std::numeric_limits<int32_t>::min()) {
    raise(err::kOverflow);
  }
  return depth + step;
}

}  // namespace

void CImp_POV::Load(ImportContext& p_Import, CollectionRef& p_colObject3D) {
  import_ = &p_Import;
  p_Import.ReadMode = 0;
  trapAndRaiseAgain(
      [&] {
        p_colObject3D = std::make_shared<Collection>();
        TargetCollection = p_colObject3D;
        current_ = host::HostObject();
        currentCount_ = 0;
        BraceDepth = 0;
        p_Import.CharsRead = 0;
        p_Import.Open();
        readLines();
        p_Import.Close();
        current_ = host::HostObject();
      },
      [&] {
        p_Import.Close();
        current_ = host::HostObject();
      });
}

void CImp_POV::readLines() {
  ImportContext& file = *import_;
  while (!file.Eof() && !file.StopImport) {
    readWords(withBlanksForTabs(file.Read_Line()));
    file.showProgressWithinAndYield(file.CharsRead);
  }
}

std::string_view CImp_POV::withBlanksForTabs(std::string_view line) {
  if (line.find('\t') == std::string_view::npos) return line;
  line_.assign(line);
  std::replace(line_.begin(), line_.end(), '\t', ' ');
  return line_;
}

// Once a word of the line is recognised the rest of the line is read word by word;
// when the first word is not, the line is skipped.
void CImp_POV::readWords(std::string_view line) {
  blankLeft_ = closeLeft_ = true;
  bool recognised = false;
  do {
    const std::string_view word = Get_Token(line);
    if (readWord(pov::classify(word), line)) recognised = true;
  } while (!line.empty() && recognised);
}

bool CImp_POV::readWord(pov::Keyword keyword, std::string_view& line) {
  if (!pov::recognisedAt(keyword, BraceDepth)) return false;
  switch (keyword) {
    case pov::Keyword::OpenBrace: BraceDepth = stepDepth(BraceDepth, 1); break;
    case pov::Keyword::CloseBrace: BraceDepth = stepDepth(BraceDepth, -1); break;
    case pov::Keyword::Declare: Read_DeclareName(line); break;
    case pov::Keyword::Mesh: Add_Object(true); break;
    case pov::Keyword::Object: Add_Object(false); break;
    case pov::Keyword::Triangle: Read_Triangle(line); break;
    case pov::Keyword::SmoothTriangle: Read_SmoothTriangle(line); break;
    case pov::Keyword::VectorStart:
      // Without a ">" left on the line the vector is the zero vector and nothing is read.
      closeLeft_ = closeLeft_ && line.find('>') != std::string_view::npos;
      if (closeLeft_) Get_Vector(line);
      break;
    case pov::Keyword::Shape:
    case pov::Keyword::Transform:
    case pov::Keyword::Other: break;
  }
  return true;
}

// The next blank-separated word; a line without blanks is cut at its first "{" instead,
// and that brace is counted here, as it never reaches the word loop.
std::string_view CImp_POV::Get_Token(std::string_view& line) {
  line = trimBlanks(line);
  const size_t blank = blankLeft_ ? line.find(' ') : std::string_view::npos;
  if (blank != std::string_view::npos) {
    const std::string_view word = line.substr(0, blank);
    line.remove_prefix(blank + 1);
    return word;
  }
  blankLeft_ = false;
  const size_t brace = line.find('{');
  if (brace != std::string_view::npos) {
    const std::string_view word = trimBlanks(line.substr(0, brace));
    line.remove_prefix(brace + 1);
    BraceDepth = stepDepth(BraceDepth, 1);
    return word;
  }
  const std::string_view word = line;
  line = {};
  return word;
}

// The name keeps its case; it names every mesh until the next declaration.
void CImp_POV::Read_DeclareName(std::string_view& line) { PendingName.assign(Get_Token(line)); }

// A mesh needs a declared name; without one its triangles go to the object started
// last. A failure while the object is made is ignored and reading goes on.
void CImp_POV::Add_Object(bool needsName) {
  if (needsName && PendingName.empty()) return;
  if (!needsName) PendingName.clear();
  ignoreFailure([&] { addNamedObject(); });
}

void CImp_POV::addNamedObject() {
  VertexBase = -1;
  PolygonIndex = -1;
  host::HostObject object = host::HostObject::create();
  if (PendingName.empty()) PendingName = kUnnamedObject;
  object.setName(PendingName);
  object.setDefaultColor(host::kDefaultObjectColor);
  TargetCollection->Add(object.ref());
}

}  // namespace vlm
