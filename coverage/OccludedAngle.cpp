#include "coverage/OccludedAngle.h"

#include "coverage/PlanningMeasures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace
{

constexpr double kOverheadLength = 1e-9;

double Wrap360(double degrees)
{
    const double wrapped = std::fmod(degrees, 360.0);
    return wrapped < 0.0 ? wrapped + 360.0 : wrapped;
}

// Whether a camera whose ray has azimuth `azimuthDeg` (NaN: overhead) stays
// visible with the performer's normal at `tDeg`.
bool VisibleAtTurn(double azimuthDeg, double tDeg)
{
    if (std::isnan(azimuthDeg))
        return true;
    const double d = Wrap360(azimuthDeg - tDeg);
    return d >= 180.0 && d < 360.0;
}

} // namespace

double OccludedAngleDeg(const std::vector<std::array<double, 3>>& rays, double minAngleDeg, double maxAngleDeg)
{
    COccludedAngle measure;
    return measure.Measure(rays, minAngleDeg, maxAngleDeg);
}

double COccludedAngle::Measure(const std::vector<std::array<double, 3>>& rays, double minAngleDeg, double maxAngleDeg)
{
    if (rays.size() < 2)
        return 360.0;
    const auto n = static_cast<unsigned>(rays.size());
    m_aPairs.clear();
    bool overheadPair = false;
    m_aAzimuth.resize(n);
    for (unsigned c = 0; c < n; ++c) {
        const auto& u = rays[c];
        m_aAzimuth[c] = std::hypot(u[0], u[2]) > kOverheadLength
                            ? Wrap360(std::atan2(u[2], u[0]) * 180.0 / std::numbers::pi)
                            : std::numeric_limits<double>::quiet_NaN();
    }
    for (unsigned a = 0; a + 1 < n; ++a) {
        const double u[3] = {rays[a][0], rays[a][1], rays[a][2]};
        for (unsigned b = a + 1; b < n; ++b) {
            const double v[3] = {rays[b][0], rays[b][1], rays[b][2]};
            const double angle = RayAngleDeg(u, v);
            if (!(angle >= minAngleDeg && angle <= maxAngleDeg))
                continue;
            m_aPairs.push_back({a, b});
            overheadPair = overheadPair || (std::isnan(m_aAzimuth[a]) && std::isnan(m_aAzimuth[b]));
        }
    }
    if (m_aPairs.empty())
        return 360.0;
    if (overheadPair)
        return 0.0;
    m_aEvents.clear();
    for (unsigned c = 0; c < n; ++c) {
        if (std::isnan(m_aAzimuth[c]))
            continue;
        m_aEvents.push_back(m_aAzimuth[c]);
        m_aEvents.push_back(Wrap360(m_aAzimuth[c] + 180.0));
    }
    std::sort(m_aEvents.begin(), m_aEvents.end());
    m_aEvents.erase(std::unique(m_aEvents.begin(), m_aEvents.end()), m_aEvents.end());
    // Each arc between consecutive events (the last one wrapping past 360)
    // has one visible set: the one at its middle.
    double occluded = 0.0;
    m_aVisible.resize(n);
    for (size_t e = 0; e < m_aEvents.size(); ++e) {
        const double from = m_aEvents[e];
        const double to = e + 1 < m_aEvents.size() ? m_aEvents[e + 1] : m_aEvents.front() + 360.0;
        const double middle = 0.5 * (from + to);
        for (unsigned c = 0; c < n; ++c)
            m_aVisible[c] = VisibleAtTurn(m_aAzimuth[c], middle) ? 1 : 0;
        const bool seen = std::any_of(m_aPairs.begin(), m_aPairs.end(), [this](const std::array<unsigned, 2>& pair) {
            return m_aVisible[pair[0]] && m_aVisible[pair[1]];
        });
        if (!seen)
            occluded += to - from;
    }
    return occluded;
}
