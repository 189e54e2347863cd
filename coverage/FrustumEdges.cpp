#include "coverage/FrustumEdges.h"

#include "cameras/Angles.h"
#include "coverage/Matrix4f.h"

#include <array>
#include <cmath>

namespace
{

enum class Axis { X, Y, Z };

struct Turn {
    Axis axis;
    long double radians;
};

// A work vector turned step by step: each step's rotation is written into a
// float matrix whose fourth row and column stay those of the identity.
class CEdgeTurner
{
  public:
    CEdgeTurner() { m_mStep.m[3][3] = 1.0f; }

    void Load(const Vec3d& start)
    {
        m_vWork = {static_cast<float>(start.x), static_cast<float>(start.y), static_cast<float>(start.z), 0.0f};
    }
    void Rotate(Axis axis, long double radians)
    {
        SetRotation(axis, radians);
        m_vWork = m_mStep * m_vWork;
    }
    void Apply(const CalibrationMatrix& matrix)
    {
        for (size_t r = 0; r < 3; ++r)
            for (size_t q = 0; q < 3; ++q)
                m_mStep.m[r][q] = matrix[3 * r + q];
        m_vWork = m_mStep * m_vWork;
    }
    float& operator[](size_t k) { return m_vWork[k]; }
    Vec3d Direction() const { return Normalized({m_vWork[0], m_vWork[1], m_vWork[2]}); }

  private:
    void SetRotation(Axis axis, long double radians)
    {
        const float c = static_cast<float>(std::cos(radians));
        const float s = static_cast<float>(std::sin(radians));
        auto& m = m_mStep.m;
        switch (axis) {
        case Axis::X:
            m[0] = {1, 0, 0, m[0][3]};
            m[1] = {0, c, -s, m[1][3]};
            m[2] = {0, s, c, m[2][3]};
            break;
        case Axis::Y:
            m[0] = {c, 0, s, m[0][3]};
            m[1] = {0, 1, 0, m[1][3]};
            m[2] = {-s, 0, c, m[2][3]};
            break;
        case Axis::Z:
            m[0] = {c, -s, 0, m[0][3]};
            m[1] = {s, c, 0, m[1][3]};
            m[2] = {0, 0, 1, m[2][3]};
            break;
        }
    }

    std::array<float, 4> m_vWork{};
    Matrix4f m_mStep;
};

Vec3d TurnEdge(const Vec3d& start, const Turn (&turns)[4])
{
    CEdgeTurner turner;
    turner.Load(start);
    for (const Turn& turn : turns)
        turner.Rotate(turn.axis, turn.radians);
    return turner.Direction();
}

} // namespace

FrustumEdges AimedFrustumEdges(const CameraAngles& angles, const FrustumEdges& start)
{
    const long double halfH = static_cast<long double>(angles.hFov) * 0.5L * kRadiansPerDegree;
    const long double halfV = static_cast<long double>(angles.vFov) * 0.5L * kRadiansPerDegree;
    const long double a = static_cast<long double>(angles.hTilt) * kRadiansPerDegree;
    const long double b = static_cast<long double>(angles.vTilt);
    const long double s = static_cast<long double>(angles.spin) * kRadiansPerDegree;
    const long double quarterMinusB = (90.0L - b) * kRadiansPerDegree;
    const long double minusB = -b * kRadiansPerDegree;
    FrustumEdges edges;
    edges.hPlus = TurnEdge(start.hPlus, {{Axis::X, halfH}, {Axis::Y, -s}, {Axis::Z, quarterMinusB}, {Axis::Y, a}});
    edges.hMinus = TurnEdge(start.hMinus, {{Axis::X, -halfH}, {Axis::Y, -s}, {Axis::Z, quarterMinusB}, {Axis::Y, a}});
    edges.vPlus = TurnEdge(start.vPlus, {{Axis::Z, halfV}, {Axis::X, s}, {Axis::Z, minusB}, {Axis::Y, a}});
    edges.vMinus = TurnEdge(start.vMinus, {{Axis::Z, -halfV}, {Axis::X, s}, {Axis::Z, minusB}, {Axis::Y, a}});
    return edges;
}

FrustumEdges CalibrationFrustumEdges(float hFov, float vFov, const CalibrationMatrix& matrix, int slot)
{
    const long double halfH = static_cast<long double>(hFov) * 0.5L * kRadiansPerDegree;
    const long double halfV = static_cast<long double>(vFov) * 0.5L * kRadiansPerDegree;
    auto turnEdge = [&](Axis axis, long double radians) {
        CEdgeTurner turner;
        turner.Load({0.0, 1.0, 0.0});
        turner.Rotate(axis, radians);
        turner.Apply(matrix);
        // Fixed per-slot sign flips bring the calibration frames into the scene frame.
        if (slot == 2) {
            turner[1] = -turner[1];
        } else if (slot != 3 && slot != 5) {
            turner[0] = -turner[0];
            turner[1] = -turner[1];
        }
        return turner.Direction();
    };
    return {turnEdge(Axis::X, halfH), turnEdge(Axis::X, -halfH), turnEdge(Axis::Z, halfV), turnEdge(Axis::Z, -halfV)};
}

Vec3d OpticalAxis(const FrustumEdges& edges)
{
    return Normalized(edges.vPlus + edges.vMinus);
}

void DeriveAimedEdges(CCameraSet& cameras, uint32_t count)
{
    for (int c = 0; c < static_cast<int>(count); ++c)
        SetEdges(cameras, c, AimedFrustumEdges(AnglesOf(cameras, c), EdgesOf(cameras, c)));
}

void DeriveCalibrationEdges(CCameraSet& cameras, uint32_t count)
{
    const FrustumEdges none{{}, {}, {}, {}};
    for (int c = 0; c < static_cast<int>(count); ++c)
        SetEdges(cameras, c,
                 c < kCalibrationSlots
                     ? CalibrationFrustumEdges(cameras.GetHFov(c), cameras.GetVFov(c), cameras.GetCalibration(c), c)
                     : none);
}

CameraAngles AnglesOf(const CCameraSet& cameras, int i)
{
    return {cameras.GetHFov(i), cameras.GetVFov(i), cameras.GetHTilt(i), cameras.GetVTilt(i), cameras.GetSpin(i)};
}

FrustumEdges EdgesOf(const CCameraSet& cameras, int i)
{
    return {cameras.GetEdgeHPlus(i), cameras.GetEdgeHMinus(i), cameras.GetEdgeVPlus(i), cameras.GetEdgeVMinus(i)};
}

void SetEdges(CCameraSet& cameras, int i, const FrustumEdges& edges)
{
    cameras.SetEdgeHPlus(i, edges.hPlus);
    cameras.SetEdgeHMinus(i, edges.hMinus);
    cameras.SetEdgeVPlus(i, edges.vPlus);
    cameras.SetEdgeVMinus(i, edges.vMinus);
}
