#pragma once
#include <vector>

// Least-cost assignment (the Hungarian method in its shortest-augmenting-path form, with row
// and column potentials): every row of a rows x cols cost matrix, rows <= cols, gets its own
// column so that the sum of the chosen costs is the smallest possible. O(rows^2 cols) at
// worst; a row whose cheapest column is free costs one scan of the columns.
// The scratch arrays are kept from call to call, so a caller that solves one small problem
// after another allocates nothing once they have grown.
class CAssignment {
public:
    // cost: row-major, rows x cols, finite. Returns the column of every row.
    const std::vector<int>& Solve(const std::vector<double>& cost, int rows, int cols);

private:
    void StartCheapest(const std::vector<double>& cost, int rows, int cols);
    void AugmentRow(const std::vector<double>& cost, int row, int cols);

    std::vector<double> RowPotential, ColPotential, MinSlack;
    std::vector<int> ColRow, Way, RowCol;
    std::vector<char> Visited;
};

// The assignment between tracks (rows) and marks (columns) where only some pairs may be
// made, each at a cost of at least 0. Among all pairings it picks one that pairs as many rows
// as the allowed pairs permit and, among those, the one of least total cost. Rows and columns
// that no allowed pair links fall apart into independent groups, each solved on its own, so
// a frame of many well separated marks is many tiny problems.
class CGatedAssignment {
public:
    void Begin(int rows, int cols);
    void Allow(int row, int col, double cost) { Pairs.push_back({row, col, cost}); }
    // The column of every row, or -1.
    const std::vector<int>& Solve();
    // The same from a row-major rows x cols matrix where +infinity forbids a pair.
    const std::vector<int>& Solve(const std::vector<double>& cost, int rows, int cols);

private:
    struct CPair {
        int Row, Col;
        double Cost;
    };
    int Root(int node);
    void SortByGroup();
    void SolveGroup(int first, int last);

    int Rows = 0, Cols = 0;
    std::vector<CPair> Pairs, Grouped;  // Grouped: the pairs group by group
    // Nodes 0..Rows-1 are the rows, Rows..Rows+Cols-1 the columns.
    std::vector<int> Parent, Offset, Local;
    std::vector<int> GroupRows, GroupCols;
    std::vector<double> GroupCost;
    std::vector<int> RowCol;
    CAssignment Dense;
};
