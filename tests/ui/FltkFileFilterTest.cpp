// The open-file dialog's filter as FLTK's choosers take it, matched by FLTK's own
// matcher: the form's extension in any letter case, nothing else.
#include <FL/filename.H>
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "ui/fltk/FileFilter.h"

namespace vlm::ui {
namespace {

struct FilterCase {
  const char* name;
  const char* filter;
  const char* expected;
};

void PrintTo(const FilterCase& c, std::ostream* out) { *out << c.name; }

class FltkFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FltkFilter, BecomesDescriptionTabCaseBlindPatternPerLine) {
  EXPECT_EQ(fltkFilter(GetParam().filter), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FltkFilter,
    ::testing::Values(FilterCase{"Obj", "*.obj|*.obj", "*.obj\t*.[oO][bB][jJ]"},
                      FilterCase{"DigitInExtension", "*.3ds|*.3ds", "*.3ds\t*.3[dD][sS]"},
                      FilterCase{"EmptyMeansAllFiles", "", ""},
                      FilterCase{"PatternList", "Meshes|*.ply;*.inc",
                                 "Meshes\t{*.[pP][lL][yY]|*.[iI][nN][cC]}"},
                      FilterCase{"TwoEntries", "A|*.a|B|*.b", "A\t*.[aA]\nB\t*.[bB]"},
                      // A description without a pattern filters by itself.
                      FilterCase{"LoneDescription", "*.dxf", "*.dxf\t*.[dD][xX][fF]"},
                      // Tabs and line ends would split FLTK's lines: they become spaces.
                      FilterCase{"TabsAndLineEnds", "Two\tparts\n|*.x", "Two parts \t*.[xX]"},
                      // Sets and escapes are kept as written.
                      FilterCase{"SetsAndEscapesKept", "Sets|*.[ab]\\*", "Sets\t*.[ab]\\*"}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

TEST(FltkFilterMatch, ExtensionMatchesInAnyLetterCaseAndNothingElse) {
  const std::string pattern = caseInsensitivePattern("*.obj");
  for (const char* name : {"model.obj", "MODEL.OBJ", "Model.Obj", "a b.oBj", ".obj"}) {
    EXPECT_TRUE(fl_filename_match(name, pattern.c_str())) << name;
  }
  for (const char* name : {"model.objx", "model.obj.bak", "model.dxf", "obj", "model_obj"}) {
    EXPECT_FALSE(fl_filename_match(name, pattern.c_str())) << name;
  }
}

TEST(FltkFilterMatch, PatternListMatchesEachOfItsExtensions) {
  const std::string pattern = caseInsensitivePattern("*.ply; *.INC");
  EXPECT_TRUE(fl_filename_match("a.PLY", pattern.c_str()));
  EXPECT_TRUE(fl_filename_match("a.inc", pattern.c_str()));
  EXPECT_FALSE(fl_filename_match("a.obj", pattern.c_str()));
}

}  // namespace
}  // namespace vlm::ui
