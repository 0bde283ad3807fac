#include "DemoClock.h"

void DemoClock::delay(std::int64_t ms)
{
    if (m_fast)
        FastClock::delay(ms);
    else
        SystemClock::delay(ms);
}
