#include "ui/fltk/FltkFileChooser.h"

#include <FL/Fl_Native_File_Chooser.H>

#include "platform/Error.h"

namespace vlm::ui::fltk {

std::optional<std::string> nativeFileChooser(const FileChooserRequest& request) {
  Fl_Native_File_Chooser chooser(Fl_Native_File_Chooser::BROWSE_FILE);
  chooser.title(request.title.c_str());
  chooser.filter(request.fltkFilter.c_str());
  chooser.directory(request.initDir.c_str());
  switch (chooser.show()) {
    case 0: return std::string(chooser.filename());
    case 1: return std::nullopt;
    default: {
      const char* why = chooser.errmsg();
      raise(err::kInvalidCall,
            std::string("The open-file dialog failed: ") + (why ? why : "unknown reason"));
    }
  }
}

}  // namespace vlm::ui::fltk
