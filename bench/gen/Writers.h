// The writers behind vlmgen's format table (Generate.cpp), one file each.
#pragma once

#include "Generate.h"

namespace vlm::gen {

Counts writeObjCrLfNormals(const Request& request);
Counts writeObjLfPlain(const Request& request);
Counts writePlyAscii(const Request& request);
Counts writePlyLittleEndian(const Request& request);
Counts writePlyBigEndian(const Request& request);
Counts write3ds(const Request& request);
Counts writeDxf(const Request& request);
Counts writeInc(const Request& request);

}  // namespace vlm::gen
