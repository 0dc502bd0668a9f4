// The main of every test program: the machine's locale and time zone never
// reach a test.
#include "support/TestLocale.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    dossiva::test::pinLocaleAndTimeZone();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
