// Pairing, alignment and deltas of the rig comparison, on rigs built in code.
#include "cameras/asbuilt/AimAngles.h"
#include "coverage/asbuilt/HungarianMatching.h"
#include "coverage/asbuilt/RigComparison.h"

#include <Eigen/Geometry>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace
{

double CostOf(const std::vector<std::vector<double>>& cost, const std::vector<int>& match)
{
    double sum = 0.0;
    for (size_t r = 0; r < match.size(); ++r)
        if (match[r] >= 0)
            sum += cost[r][static_cast<size_t>(match[r])];
    return sum;
}

// The least cost over every assignment of min(rows, columns) pairs.
double BruteForceLeast(const std::vector<std::vector<double>>& cost)
{
    const size_t rows = cost.size(), columns = cost[0].size();
    std::vector<int> order(std::max(rows, columns));
    std::iota(order.begin(), order.end(), 0);
    double best = 1e300;
    do {
        double sum = 0.0;
        for (size_t r = 0; r < rows; ++r)
            if (static_cast<size_t>(order[r]) < columns && r < rows)
                sum += cost[r][static_cast<size_t>(order[r])];
        best = std::min(best, sum);
    } while (std::next_permutation(order.begin(), order.end()));
    return best;
}

TEST(HungarianMatchingTest, FindsTheLeastCostOfEveryShape)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(0.0, 10.0);
    for (const auto& [rows, columns] : {std::pair{6, 6}, {4, 7}, {7, 4}, {1, 5}, {5, 1}}) {
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<std::vector<double>> cost(rows, std::vector<double>(columns));
            for (auto& row : cost)
                for (double& c : row)
                    c = value(random);
            const std::vector<int> match = MatchLeastCost(cost);
            ASSERT_EQ(match.size(), static_cast<size_t>(rows));
            std::vector<int> used;
            for (const int c : match)
                if (c >= 0)
                    used.push_back(c);
            std::sort(used.begin(), used.end());
            EXPECT_EQ(std::adjacent_find(used.begin(), used.end()), used.end()) << "a column taken twice";
            EXPECT_EQ(used.size(), static_cast<size_t>(std::min(rows, columns)));
            EXPECT_NEAR(CostOf(cost, match), BruteForceLeast(cost), 1e-9);
        }
    }
    EXPECT_TRUE(MatchLeastCost({}).empty());
}

struct Placed {
    Eigen::Vector3d centre;
    Eigen::Vector3d axis;
    Eigen::Vector3d up;
};

void Put(CCameraSet& cameras, int i, const std::string& label, const Placed& p)
{
    cameras.SetLabel(i, label);
    cameras.SetX(i, static_cast<float>(p.centre.x()));
    cameras.SetY(i, static_cast<float>(p.centre.y()));
    cameras.SetZ(i, static_cast<float>(p.centre.z()));
    const AimAngles aim = AimAnglesFromAxes({p.axis.x(), p.axis.y(), p.axis.z()}, {p.up.x(), p.up.y(), p.up.z()});
    cameras.SetHTilt(i, static_cast<float>(aim.hTilt));
    cameras.SetVTilt(i, static_cast<float>(aim.vTilt));
    cameras.SetSpin(i, static_cast<float>(aim.spin));
    cameras.SetFocalLength(i, 8.0f);
    cameras.SetFrameWidth(i, 6.5241f);
    cameras.SetFrameHeight(i, 5.2193f);
    cameras.SetFNumber(i, 12.0f);
}

std::vector<Placed> Rig()
{
    std::vector<Placed> rig;
    const Eigen::Vector3d target(0.0, -1.0, 0.0);
    for (const Eigen::Vector3d c : {Eigen::Vector3d(-3, 2, -2), Eigen::Vector3d(3, 1.8, -2), Eigen::Vector3d(3, 2.1, 2),
                                    Eigen::Vector3d(-3, 1.9, 2), Eigen::Vector3d(0, 2.2, -2.5)}) {
        const Eigen::Vector3d axis = (target - c).normalized();
        const Eigen::Vector3d up = (Eigen::Vector3d::UnitY() - Eigen::Vector3d::UnitY().dot(axis) * axis).normalized();
        rig.push_back({c, axis, up});
    }
    return rig;
}

CoverageInput PlanOf(const std::vector<Placed>& rig)
{
    CoverageInput input;
    input.cameras.Allocate(static_cast<uint32_t>(rig.size()));
    for (size_t k = 0; k < rig.size(); ++k)
        Put(input.cameras, static_cast<int>(k), "cam" + std::to_string(k), rig[k]);
    input.cameraCount = input.endCamera = static_cast<uint32_t>(rig.size());
    return input;
}

TEST(RigComparisonTest, SimilarityUndoesATurnAShiftAndAScale)
{
    const std::vector<Placed> rig = Rig();
    const CoverageInput plan = PlanOf(rig);
    // Measured in another frame, in half-metres, listed backwards and renamed.
    const Eigen::Matrix3d turn = Eigen::AngleAxisd(0.4, Eigen::Vector3d(0.1, 1, 0.2).normalized()).toRotationMatrix();
    CCameraSet built;
    built.Allocate(static_cast<uint32_t>(rig.size()));
    for (size_t k = 0; k < rig.size(); ++k) {
        const Placed& p = rig[rig.size() - 1 - k];
        Put(built, static_cast<int>(k), "b" + std::to_string(k),
            {2.0 * (turn * p.centre) + Eigen::Vector3d(0.3, -0.1, 0.2), turn * p.axis, turn * p.up});
    }
    const RigComparisonResult result =
        CompareRigs(plan, built, static_cast<uint32_t>(rig.size()), {RigAlignment::Similarity, RigMatching::Nearest});
    ASSERT_TRUE(result.comparison) << result.error;
    const RigComparison& c = *result.comparison;
    EXPECT_NEAR(c.scale, 0.5, 1e-6);
    EXPECT_LT(c.rmsMm, 0.01);
    EXPECT_EQ(c.fitted, rig.size());
    ASSERT_EQ(c.cameras.size(), rig.size());
    for (const CameraDelta& d : c.cameras) {
        EXPECT_EQ(d.asBuiltNumber, rig.size() + 1 - d.planNumber);
        EXPECT_LT(d.positionMm, 0.01);
        EXPECT_LT(d.aimDeg, 1e-3);
        EXPECT_LT(std::abs(d.rollDeg), 1e-3);
    }
    // The rig as built in the plan's frame computes where the plan's cameras stand.
    for (uint32_t k = 0; k < rig.size(); ++k) {
        const Vec3d& p = c.asBuilt.cameras.GetPosition(static_cast<int>(k));
        EXPECT_NEAR((Eigen::Vector3d(p.x, p.y, p.z) - rig[rig.size() - 1 - k].centre).norm(), 0.0, 1e-5);
    }
    EXPECT_EQ(c.asBuilt.cameraCount, rig.size());

    // Rigid cannot undo the scale: the residual says so.
    const RigComparisonResult rigid =
        CompareRigs(plan, built, static_cast<uint32_t>(rig.size()), {RigAlignment::Rigid, RigMatching::Nearest});
    ASSERT_TRUE(rigid.comparison) << rigid.error;
    EXPECT_EQ(rigid.comparison->scale, 1.0);
    EXPECT_GT(rigid.comparison->rmsMm, 100.0);
}

TEST(RigComparisonTest, RollIsSignedAndDisabledPlanCamerasStayUncounted)
{
    const std::vector<Placed> rig = Rig();
    CoverageInput plan = PlanOf(rig);
    plan.cameras.SetEnabled(1, 0);
    CCameraSet built = plan.cameras;
    built.SetEnabled(1, 1);
    // Camera 4 turned 3 degrees about its own axis.
    Placed rolled = rig[3];
    rolled.up = Eigen::AngleAxisd(3.0 * M_PI / 180.0, rolled.axis) * rolled.up;
    Put(built, 3, "cam3", rolled);
    const RigComparisonResult result =
        CompareRigs(plan, built, static_cast<uint32_t>(rig.size()), {RigAlignment::None, RigMatching::Labels});
    ASSERT_TRUE(result.comparison) << result.error;
    const RigComparison& c = *result.comparison;
    EXPECT_NEAR(c.cameras[3].rollDeg, 3.0, 1e-3);
    EXPECT_LT(c.cameras[3].aimDeg, 1e-3);
    EXPECT_EQ(c.asBuilt.cameras.GetEnabled(1), 0);
    EXPECT_EQ(c.asBuilt.cameras.GetEnabled(0), 1);

    // Collinear centres do not decide a turn about their line.
    CoverageInput line = PlanOf({rig[0], rig[0], rig[0]});
    for (int i = 0; i < 3; ++i)
        line.cameras.SetX(i, static_cast<float>(i));
    const RigComparisonResult refused = CompareRigs(line, line.cameras, 3, {RigAlignment::Rigid, RigMatching::Labels});
    EXPECT_FALSE(refused.comparison);
    EXPECT_NE(refused.error.find("on a line"), std::string::npos) << refused.error;
}

} // namespace
