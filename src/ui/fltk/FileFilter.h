// The open-file dialog's filter, from the form's "description|pattern" form to FLTK's.
//
// A form sets pairs "description|pattern|description|pattern..." with patterns listed as
// "*.a;*.b". FLTK's choosers take one "description\tpattern" per line, alternatives as
// "{p1|p2}". File names on Linux keep their letter case, so every letter of a pattern
// becomes a set of both cases ("*.obj" -> "*.[oO][bB][jJ]"): MODEL.OBJ and model.Obj
// match as model.obj does, whatever matcher the chooser uses.
#pragma once

#include <string>
#include <string_view>

namespace vlm::ui {

// "*.obj" -> "*.[oO][bB][jJ]"; a list "*.a;*.b" -> "{*.[aA]|*.[bB]}". Sets already in
// brackets and escaped characters are kept as written.
std::string caseInsensitivePattern(std::string_view patterns);

// "*.obj|*.obj" -> "*.obj\t*.[oO][bB][jJ]". A description without a pattern is its own
// pattern; tabs and line ends inside a description become spaces. "" stays "" (all files).
std::string fltkFilter(std::string_view filter);

}  // namespace vlm::ui
