#pragma once

#include <cmath>

// Three doubles: positions, directions, the user origin and the room corners.
struct Vec3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    // Scales to unit length; a zero vector stays zero rather than dividing by 0.
    void Normalize()
    {
        const double len = std::sqrt(x * x + y * y + z * z);
        if (len != 0.0) {
            x /= len;
            y /= len;
            z /= len;
        }
    }

    friend Vec3d operator+(const Vec3d& a, const Vec3d& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend Vec3d operator-(const Vec3d& a, const Vec3d& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend bool operator==(const Vec3d&, const Vec3d&) = default;
};

inline double Dot(const Vec3d& a, const Vec3d& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline double Length(const Vec3d& v)
{
    return std::sqrt(Dot(v, v));
}
inline Vec3d Normalized(Vec3d v)
{
    v.Normalize();
    return v;
}
