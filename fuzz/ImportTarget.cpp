// The fuzz target of one importer: each input is a file of the format named by
// VLM_FUZZ_FORMAT ("obj", "dxf", "3ds", "inc" or "ply"), imported through the dialog.
#include <cstddef>
#include <cstdint>

#include "FuzzImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vlm::fuzz::importBytes(VLM_FUZZ_FORMAT, data, size);
  return 0;
}
