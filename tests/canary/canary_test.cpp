// Proves that a failing test fails the run: KM_CANARY_FAIL=1 ./x test must go red.
#include <gtest/gtest.h>

#include <cstdlib>

TEST(Canary, FailsOnlyWhenAskedTo) { EXPECT_EQ(nullptr, std::getenv("KM_CANARY_FAIL")); }
