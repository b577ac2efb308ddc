// GoogleTest main for tests that drive the real wizard on comctl32's
// property sheet: the socket layer is started as the application starts it.
#include "link/socket_port.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    StartSocketLayer();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
