#include "coverage/asbuilt/HungarianMatching.h"

#include <cstddef>
#include <limits>

namespace
{

// Rows <= columns: every row is assigned. Potentials u (rows) and v
// (columns), 1-based with column 0 the free start, as the textbook form.
std::vector<int> MatchRowsIntoColumns(const std::vector<std::vector<double>>& a, size_t n, size_t m)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    std::vector<double> u(n + 1, 0.0), v(m + 1, 0.0);
    std::vector<size_t> rowOf(m + 1, 0), way(m + 1, 0);
    for (size_t r = 1; r <= n; ++r) {
        rowOf[0] = r;
        size_t column = 0;
        std::vector<double> least(m + 1, kInf);
        std::vector<bool> used(m + 1, false);
        do {
            used[column] = true;
            const size_t row = rowOf[column];
            double delta = kInf;
            size_t next = 0;
            for (size_t c = 1; c <= m; ++c) {
                if (used[c])
                    continue;
                const double reduced = a[row - 1][c - 1] - u[row] - v[c];
                if (reduced < least[c]) {
                    least[c] = reduced;
                    way[c] = column;
                }
                if (least[c] < delta) {
                    delta = least[c];
                    next = c;
                }
            }
            for (size_t c = 0; c <= m; ++c) {
                if (used[c]) {
                    u[rowOf[c]] += delta;
                    v[c] -= delta;
                } else {
                    least[c] -= delta;
                }
            }
            column = next;
        } while (rowOf[column] != 0);
        do {
            const size_t previous = way[column];
            rowOf[column] = rowOf[previous];
            column = previous;
        } while (column != 0);
    }
    std::vector<int> match(n, -1);
    for (size_t c = 1; c <= m; ++c)
        if (rowOf[c] != 0)
            match[rowOf[c] - 1] = static_cast<int>(c - 1);
    return match;
}

} // namespace

std::vector<int> MatchLeastCost(const std::vector<std::vector<double>>& cost)
{
    const size_t rows = cost.size();
    const size_t columns = rows == 0 ? 0 : cost.front().size();
    if (rows == 0 || columns == 0)
        return std::vector<int>(rows, -1);
    if (rows <= columns)
        return MatchRowsIntoColumns(cost, rows, columns);
    // More rows than columns: assign the columns into the rows and turn it round.
    std::vector<std::vector<double>> turned(columns, std::vector<double>(rows));
    for (size_t r = 0; r < rows; ++r)
        for (size_t c = 0; c < columns; ++c)
            turned[c][r] = cost[r][c];
    const std::vector<int> rowOfColumn = MatchRowsIntoColumns(turned, columns, rows);
    std::vector<int> match(rows, -1);
    for (size_t c = 0; c < columns; ++c)
        match[static_cast<size_t>(rowOfColumn[c])] = static_cast<int>(c);
    return match;
}
