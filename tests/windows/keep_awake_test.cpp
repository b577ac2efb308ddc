// The keep-awake guard as Windows sees it: the thread's execution state
// asks for the system for as long as the guard lives, and no longer.
#include "upgrade/keep_awake.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(KeepAwake, HoldsTheSystemForTheGuardsLifeOnly)
{
    const EXECUTION_STATE held = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
    {
        CKeepAwake awake;
        EXPECT_TRUE(awake.Holding());
        // Setting the same state again answers with the one in force.
        EXPECT_EQ(SetThreadExecutionState(held) & held, held);
    }
    EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS) & ES_SYSTEM_REQUIRED, 0u);
}
