#pragma once

#include <array>
#include <cstddef>

// A 4 x 4 single-precision matrix stored row by row, as the frustum-edge
// construction uses it: its products are summed in extended precision and
// only the results are rounded to float, which the stored edges depend on.
struct Matrix4f {
    std::array<std::array<float, 4>, 4> m{};

    // result[i] = sum over j of m[i][j] * v[j].
    std::array<float, 4> operator*(const std::array<float, 4>& v) const
    {
        std::array<float, 4> result{};
        for (std::size_t i = 0; i < 4; ++i) {
            long double sum = 0.0L;
            for (std::size_t j = 0; j < 4; ++j)
                sum += static_cast<long double>(m[i][j]) * static_cast<long double>(v[j]);
            result[i] = static_cast<float>(sum);
        }
        return result;
    }
};
