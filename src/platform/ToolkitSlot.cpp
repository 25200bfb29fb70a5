#include "platform/ToolkitSlot.h"

namespace vlm::ui {

namespace {
Toolkit* currentToolkit = nullptr;
}  // namespace

Toolkit* toolkit() noexcept { return currentToolkit; }

void setToolkit(Toolkit* toolkit) noexcept { currentToolkit = toolkit; }

}  // namespace vlm::ui
