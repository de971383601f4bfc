#include "shell/runtime_core.h"

namespace zumaset {

RegisterLoad RuntimeClientCore::LoadRegister() {
    switch (runtime_.LoadRegister()) {
    case ReceiptRegister::Load::Loaded: return RegisterLoad::Loaded;
    case ReceiptRegister::Load::Busy: return RegisterLoad::Busy;
    case ReceiptRegister::Load::Refused: return RegisterLoad::Refused;
    }
    return RegisterLoad::Refused;
}

} // namespace zumaset
