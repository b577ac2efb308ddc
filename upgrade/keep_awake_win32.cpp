// Sleep held off for the calling thread. The wizard runs on one thread and
// its exchanges never overlap, so a plain set and reset is enough.
#include "upgrade/keep_awake.h"

#include <windows.h>

CKeepAwake::CKeepAwake()
{
    if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0)
        m_nToken = 0;
}

CKeepAwake::~CKeepAwake()
{
    if (m_nToken >= 0)
        SetThreadExecutionState(ES_CONTINUOUS);
}
