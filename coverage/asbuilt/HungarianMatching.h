#pragma once

#include <vector>

// The one-to-one assignment of rows to columns of least total cost
// (Hungarian method, O(n^2 m) for n rows and m columns). cost[r][c] is the
// cost of row r taking column c; every row has as many columns, any count.
// The column of each row, or -1 for a row left over when there are fewer
// columns than rows.
std::vector<int> MatchLeastCost(const std::vector<std::vector<double>>& cost);
