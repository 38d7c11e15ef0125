#pragma once
// The PagorFunc service: hands out a new, independent binding for its endpoint for every call.

#include "soap/PagorFuncBinding.h"

#include <memory>

namespace penshelf::soap {

class PagorFunc {
  public:
    PagorFunc() = delete;

    // A new binding for the service endpoint (ServiceEndpoint.h). The first call also registers
    // the binding's namespace prefixes in USGlobals.
    static std::shared_ptr<soap::PagorFuncBinding> PagorFuncBinding();
};

}  // namespace penshelf::soap
