// The build must keep every rounding to float that the code writes, also
// where the optimiser could handle two of them at once.
#include "scene/Vec3d.h"

#include <gtest/gtest.h>

namespace
{

// Kept out of line so the optimiser sees a general origin, as in the program.
[[gnu::noinline]] Vec3d RoundedToFloat(const Vec3d& v)
{
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

TEST(FloatRoundingTest, PairsOfDoublesRoundedToFloatStayRounded)
{
    volatile double tenth = 0.1;
    const Vec3d rounded = RoundedToFloat({tenth, 2 * tenth, 3 * tenth});
    EXPECT_EQ(rounded.x, static_cast<double>(0.1f));
    EXPECT_EQ(rounded.y, static_cast<double>(0.2f));
    EXPECT_EQ(rounded.z, static_cast<double>(static_cast<float>(3 * 0.1)));
}

} // namespace
