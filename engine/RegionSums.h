#pragma once
#include "BlobInfo.h"

#include <cstdint>
#include <memory>

// Per-region column and row sums of the labellers' measurement (64 bits: on large frames a
// region's column sum passes 2^31), and the centres they give.
struct CRegionSums {
    std::unique_ptr<int64_t[]> X{new int64_t[BlobTable::Size]};
    std::unique_ptr<int64_t[]> Y{new int64_t[BlobTable::Size]};

    // Mean column and row of records 0..n-1, from the sums and their pixel counts.
    void SetCentres(BlobInfo* table, int n) const {
        for (int r = 0; r < n; ++r) {
            table[r].CenterX = static_cast<float>(static_cast<double>(X[r]) / table[r].PixelCount);
            table[r].CenterY = static_cast<float>(static_cast<double>(Y[r]) / table[r].PixelCount);
        }
    }
};

// Sums over one region's pixels for its second moments.
struct CRegionMoments {
    int64_t Count = 0, SumX = 0, SumY = 0, SumXX = 0, SumYY = 0, SumXY = 0;

    // The major axis' direction in degrees (0 along x, counter-clockwise as seen on a picture
    // whose rows go down, in (-90, 90]) and 1 - minor / major axis (0 for a disc).
    void Shape(float& angle, float& elongation) const;
};
