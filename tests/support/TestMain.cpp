// The main of every GoogleTest executable: pins the environment the suites are written for
// (a non-UTC zone with a non-hour offset, a UTF-8 locale, the shared fixtures folder, no mounted
// disks searched for backups), unless the caller already set it, then runs the tests.
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::setenv("TZ", "Pacific/Chatham", 0);
    ::setenv("LANG", "C.UTF-8", 0);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("BRENVALE_SHARED_FIXTURES", BRENVALE_DEFAULT_SHARED_FIXTURES, 0);
    ::setenv("BRENVALE_MOUNT_ROOTS", "", 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
