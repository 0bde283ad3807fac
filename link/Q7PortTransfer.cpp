// Structures and the board-driven file transfer.
#include "Q7Port.h"

#include "LinkTimer.h"

bool Q7Port::receiveFile(std::uint8_t /*type*/, bool /*isRetry*/)
{
    return false;
}

void Q7Port::fileTransferTimeoutTimerEvent()
{
    showFault(kFaultFileTimer);
}

void Q7Port::commsTimeoutTimerEvent()
{
    --m_commsCountdown;
}
