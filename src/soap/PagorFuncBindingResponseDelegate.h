#pragma once
// Whoever wants to hear that a call to the PagorFunc service is over.

#include "soap/PagorFuncBindingResponse.h"

namespace penshelf::soap {

class PagorFuncBindingOperation;

class PagorFuncBindingResponseDelegate {
  public:
    virtual ~PagorFuncBindingResponseDelegate() = default;

    // Told exactly once per call, on the thread that started it. The response is the call's
    // outcome; copy it to keep it.
    virtual void operation(PagorFuncBindingOperation& operation,
                           const PagorFuncBindingResponse& completedWithResponse) = 0;
};

}  // namespace penshelf::soap
