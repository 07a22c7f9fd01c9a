#include "ClientHandlerBase.h"

void ClientHandlerBase::DetachControl() {
    auto lock = LockControl();
    m_pOwner = nullptr;
    OnControlDetached();
}
