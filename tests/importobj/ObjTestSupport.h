// Runs CImp_OBJ on a text written by the test, against a recording null host.
#pragma once

#include "importobj/CImp_OBJ.h"
#include "support/ImporterFixture.h"

namespace vlm::test {

class ObjImport : public ImporterFixture<CImp_OBJ> {
 protected:
  ObjImport() : ImporterFixture("model.obj") {}
};

}  // namespace vlm::test
