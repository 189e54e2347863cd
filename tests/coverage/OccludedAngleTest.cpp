#include "coverage/OccludedAngle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace
{

using Rays = std::vector<std::array<double, 3>>;

std::array<double, 3> Horizontal(double azimuthDeg, double down = 0.0)
{
    const double a = azimuthDeg * std::numbers::pi / 180.0;
    const double length = std::sqrt(1.0 + down * down);
    return {std::cos(a) / length, -down / length, std::sin(a) / length};
}

// The definition sampled at `steps` turns, written apart from the sweep.
double SampledOccludedDeg(const Rays& rays, double minDeg, double maxDeg, int steps)
{
    int occluded = 0;
    for (int i = 0; i < steps; ++i) {
        const double t = (i + 0.5) * 360.0 / steps;
        std::vector<size_t> visible;
        for (size_t c = 0; c < rays.size(); ++c) {
            const auto& u = rays[c];
            if (std::hypot(u[0], u[2]) <= 1e-9) {
                visible.push_back(c);
                continue;
            }
            double d = std::fmod(std::atan2(u[2], u[0]) * 180.0 / std::numbers::pi - t, 360.0);
            d = d < 0.0 ? d + 360.0 : d;
            if (d >= 180.0)
                visible.push_back(c);
        }
        bool pair = false;
        for (size_t a = 0; a < visible.size() && !pair; ++a) {
            for (size_t b = a + 1; b < visible.size() && !pair; ++b) {
                const auto &u = rays[visible[a]], &v = rays[visible[b]];
                const double dot = std::clamp(u[0] * v[0] + u[1] * v[1] + u[2] * v[2], -1.0, 1.0);
                const double angle = std::acos(dot) * 180.0 / std::numbers::pi;
                pair = angle >= minDeg && angle <= maxDeg;
            }
        }
        occluded += pair ? 0 : 1;
    }
    return 360.0 * occluded / steps;
}

} // namespace

TEST(OccludedAngleTest, CasesKnownByHand)
{
    EXPECT_EQ(OccludedAngleDeg({}, 40.0, 140.0), 360.0);
    EXPECT_EQ(OccludedAngleDeg({Horizontal(30.0)}, 40.0, 140.0), 360.0);
    // Opposite cameras make no pair within 40 to 140 degrees.
    EXPECT_EQ(OccludedAngleDeg({Horizontal(0.0), Horizontal(180.0)}, 40.0, 140.0), 360.0);
    // Two cameras a quarter turn apart: both visible for a quarter turn.
    EXPECT_NEAR(OccludedAngleDeg({Horizontal(0.0), Horizontal(90.0)}, 40.0, 140.0), 270.0, 1e-9);
    // Three at thirds: each pair shares a sixth of the turn.
    EXPECT_NEAR(OccludedAngleDeg({Horizontal(0.0), Horizontal(120.0), Horizontal(240.0)}, 40.0, 140.0), 180.0, 1e-9);
    // Four at quarters: some neighbouring pair is always in front.
    EXPECT_NEAR(
        OccludedAngleDeg({Horizontal(0.0), Horizontal(90.0), Horizontal(180.0), Horizontal(270.0)}, 40.0, 140.0), 0.0,
        1e-9);
    // A camera straight above is never hidden: it pairs with the other one's half turn.
    EXPECT_NEAR(OccludedAngleDeg({{0.0, -1.0, 0.0}, Horizontal(45.0)}, 40.0, 140.0), 180.0, 1e-9);
    // Above and below with the whole range: no turn hides either.
    EXPECT_EQ(OccludedAngleDeg({{0.0, -1.0, 0.0}, {0.0, 1.0, 0.0}}, 0.0, 180.0), 0.0);
    // The mirror of a rig (z negated, as the internal frame holds it) measures the same.
    EXPECT_NEAR(OccludedAngleDeg({Horizontal(10.0, 0.5), Horizontal(75.0, 1.0), Horizontal(200.0)}, 40.0, 140.0),
                OccludedAngleDeg({Horizontal(-10.0, 0.5), Horizontal(-75.0, 1.0), Horizontal(-200.0)}, 40.0, 140.0),
                1e-9);
}

TEST(OccludedAngleTest, MatchesSamplingOfTheTurnOnRandomRigs)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> azimuth(0.0, 360.0), down(-0.3, 2.0);
    std::uniform_int_distribution<int> cameras(2, 9);
    constexpr int kSteps = 7200;
    for (int rig = 0; rig < 150; ++rig) {
        Rays rays;
        const int n = cameras(random);
        for (int c = 0; c < n; ++c)
            rays.push_back(rig % 10 == 0 && c == 0 ? std::array<double, 3>{0.0, -1.0, 0.0}
                                                   : Horizontal(azimuth(random), down(random)));
        const double exact = OccludedAngleDeg(rays, 40.0, 140.0);
        // Each event can put at most one sample on the wrong side.
        const double tolerance = 2.0 * n * 360.0 / kSteps + 1e-9;
        EXPECT_NEAR(exact, SampledOccludedDeg(rays, 40.0, 140.0, kSteps), tolerance) << "rig " << rig;
        EXPECT_GE(exact, 0.0);
        EXPECT_LE(exact, 360.0);
    }
}
