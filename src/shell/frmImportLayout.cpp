#include "shell/frmImportLayout.h"

#include <array>

namespace vlm {

namespace {

using namespace frmImportControls;
using enum ui::ControlKind;
using ui::ControlLayout;

// One control per row: name, kind, text, left/top/width/height in twips, tab index, the
// frame holding it, start value.
// clang-format off
constexpr std::array<ControlLayout, kControlCount> kControls{{
    {"fraWaveFront",  Frame,         "Options",                 {120,  600, 2295, 1095},    2},
    {"chkNorm",       CheckBox,      "Import Normals",          {120,  240, 2055,  315},    4,
                                                            fraWaveFront, 1},
    {"chkSmooth",     CheckBox,      "Smooth all Normal Group", {120,  600, 2055,  375},    3,
                                                            fraWaveFront, 1},
    {"fra3DStudio",   Frame,         "Options",                 {120,  600, 2295, 1095},    7},
    {"chkAutoSmooth", CheckBox,      "Auto Normals Smoothing",  {120,  240, 2055,  255},    8,
                                                            fra3DStudio, 1},
    {"fraNoOptions",  Frame,         "Options",                 {120,  600, 2295, 1095},   10},
    {"Label1",        Label,         "Select a File Format",    {120,    0, 2295,  255},    9},
    {"cmbFormat",     ComboBox,      "",                        {120,  240, 2295,  315},    6},
    {"cmdImport",     CommandButton, "Import",                  {120, 1800,  975,  375},    5},
    {"cmdCancel",     CommandButton, "Cancel",                  {1440, 1800, 975,  375},    0},
    {"ProgressBar1",  ProgressBar,   "",                        {0,   2265, 2535,  345},    1},
    {"CommonDialog1", CommonDialog,  "",                        {},                        -1},
}};
// clang-format on

constexpr ui::FormLayout kForm{"frmImport", kDialogTitle, 2535, 2610, kControls};

}  // namespace

const ui::FormLayout& frmImportLayout() { return kForm; }

}  // namespace vlm
