#include "Assignment.h"

#include <algorithm>
#include <cstddef>
#include <limits>

// Indices inside are one-based: column 0 is a virtual column that holds the row being added,
// and ColRow[j] == 0 means that column j is still free.
const std::vector<int>& CAssignment::Solve(const std::vector<double>& cost, int rows, int cols) {
    RowPotential.assign(rows + 1, 0.0);
    ColPotential.assign(cols + 1, 0.0);
    ColRow.assign(cols + 1, 0);
    Way.assign(cols + 1, 0);
    StartCheapest(cost, rows, cols);
    for (int row = 1; row <= rows; ++row)
        if (RowCol[row - 1] < 0)
            AugmentRow(cost, row, cols);
    RowCol.assign(rows, -1);
    for (int col = 1; col <= cols; ++col)
        if (ColRow[col] != 0)
            RowCol[ColRow[col] - 1] = col - 1;
    return RowCol;
}

// Row reduction: a row's potential is its least cost, which keeps every reduced cost at 0 or
// more and makes that column tight; a row whose cheapest column is still free takes it. With
// good predictions most rows are settled here, and only the others search for paths.
void CAssignment::StartCheapest(const std::vector<double>& cost, int rows, int cols) {
    RowCol.assign(rows, -1);
    for (int row = 1; row <= rows; ++row) {
        const double* costRow = cost.data() + static_cast<std::size_t>(row - 1) * cols;
        const int cheapest = static_cast<int>(std::min_element(costRow, costRow + cols) - costRow);
        RowPotential[row] = costRow[cheapest];
        if (ColRow[cheapest + 1] == 0) {
            ColRow[cheapest + 1] = row;
            RowCol[row - 1] = cheapest;
        }
    }
}

// Grows a tree of alternating paths from `row` by Dijkstra's rule on the reduced costs until
// it reaches a free column, then flips the path: every row on it moves one column along.
void CAssignment::AugmentRow(const std::vector<double>& cost, int row, int cols) {
    constexpr double infinity = std::numeric_limits<double>::infinity();
    MinSlack.assign(cols + 1, infinity);
    Visited.assign(cols + 1, 0);
    ColRow[0] = row;
    int col0 = 0;
    do {
        Visited[col0] = 1;
        const int row0 = ColRow[col0];
        const double* costRow = cost.data() + static_cast<std::size_t>(row0 - 1) * cols - 1;
        double delta = infinity;
        int col1 = 0;
        for (int col = 1; col <= cols; ++col) {
            if (Visited[col])
                continue;
            const double slack = costRow[col] - RowPotential[row0] - ColPotential[col];
            if (slack < MinSlack[col]) {
                MinSlack[col] = slack;
                Way[col] = col0;
            }
            if (MinSlack[col] < delta) {
                delta = MinSlack[col];
                col1 = col;
            }
        }
        for (int col = 0; col <= cols; ++col) {
            if (Visited[col]) {
                RowPotential[ColRow[col]] += delta;
                ColPotential[col] -= delta;
            } else {
                MinSlack[col] -= delta;
            }
        }
        col0 = col1;
    } while (ColRow[col0] != 0);
    do {
        const int previous = Way[col0];
        ColRow[col0] = ColRow[previous];
        col0 = previous;
    } while (col0 != 0);
}

void CGatedAssignment::Begin(int rows, int cols) {
    Rows = rows;
    Cols = cols;
    Pairs.clear();
}

const std::vector<int>& CGatedAssignment::Solve(const std::vector<double>& cost, int rows,
                                                int cols) {
    Begin(rows, cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (const double v = cost[static_cast<std::size_t>(r) * cols + c];
                v < std::numeric_limits<double>::infinity())
                Allow(r, c, v);
    return Solve();
}

const std::vector<int>& CGatedAssignment::Solve() {
    RowCol.assign(Rows, -1);
    const int nodes = Rows + Cols;
    Parent.resize(nodes);
    for (int n = 0; n < nodes; ++n)
        Parent[n] = n;
    for (const CPair& p : Pairs)
        Parent[Root(p.Row)] = Root(Rows + p.Col);
    for (int n = 0; n < nodes; ++n)  // from here on Parent holds every node's root
        Parent[n] = Root(n);
    SortByGroup();
    Local.assign(nodes, -1);
    for (std::size_t first = 0, last = 0; first < Grouped.size(); first = last) {
        const int group = Parent[Grouped[first].Row];
        for (last = first + 1; last < Grouped.size() && Parent[Grouped[last].Row] == group; ++last)
            ;
        SolveGroup(static_cast<int>(first), static_cast<int>(last));
    }
    return RowCol;
}

int CGatedAssignment::Root(int node) {
    while (Parent[node] != node) {
        Parent[node] = Parent[Parent[node]];
        node = Parent[node];
    }
    return node;
}

// A counting sort of the pairs on their groups' roots.
void CGatedAssignment::SortByGroup() {
    Offset.assign(Rows + Cols + 1, 0);
    for (const CPair& p : Pairs)
        ++Offset[Parent[p.Row] + 1];
    for (std::size_t n = 1; n < Offset.size(); ++n)
        Offset[n] += Offset[n - 1];
    Grouped.resize(Pairs.size());
    for (const CPair& p : Pairs)
        Grouped[Offset[Parent[p.Row]]++] = p;
}

// One group as a dense problem with its smaller side as the rows. A forbidden pair costs
// more than all the allowed pairs of the group together, so the least-cost assignment uses
// as few of them as it can, and they are then dropped.
void CGatedAssignment::SolveGroup(int first, int last) {
    if (last - first == 1) {
        RowCol[Grouped[first].Row] = Grouped[first].Col;
        return;
    }
    GroupRows.clear();
    GroupCols.clear();
    double forbidden = 1.0;
    for (int i = first; i < last; ++i) {
        const CPair& p = Grouped[i];
        if (Local[p.Row] < 0) {
            Local[p.Row] = static_cast<int>(GroupRows.size());
            GroupRows.push_back(p.Row);
        }
        if (Local[Rows + p.Col] < 0) {
            Local[Rows + p.Col] = static_cast<int>(GroupCols.size());
            GroupCols.push_back(p.Col);
        }
        forbidden += p.Cost;
    }
    const bool transposed = GroupRows.size() > GroupCols.size();
    const int n = static_cast<int>(transposed ? GroupCols.size() : GroupRows.size());
    const int m = static_cast<int>(transposed ? GroupRows.size() : GroupCols.size());
    GroupCost.assign(static_cast<std::size_t>(n) * m, forbidden);
    for (int i = first; i < last; ++i) {
        const CPair& p = Grouped[i];
        const int r = Local[p.Row], c = Local[Rows + p.Col];
        GroupCost[transposed ? static_cast<std::size_t>(c) * m + r
                             : static_cast<std::size_t>(r) * m + c] = p.Cost;
    }
    const std::vector<int>& chosen = Dense.Solve(GroupCost, n, m);
    for (int i = 0; i < n; ++i) {
        if (!(GroupCost[static_cast<std::size_t>(i) * m + chosen[i]] < forbidden))
            continue;
        const int r = transposed ? chosen[i] : i, c = transposed ? i : chosen[i];
        RowCol[GroupRows[r]] = GroupCols[c];
    }
    for (const int row : GroupRows)
        Local[row] = -1;
    for (const int col : GroupCols)
        Local[Rows + col] = -1;
}
