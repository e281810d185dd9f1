#include "RegionSums.h"

#include <algorithm>
#include <cmath>

void CRegionMoments::Shape(float& angle, float& elongation) const {
    angle = 0.0f;
    elongation = 0.0f;
    if (Count <= 0)
        return;
    // Central second moments (rows going down), then the covariance's eigenvalues.
    const double n = static_cast<double>(Count);
    const double cx = SumX / n, cy = SumY / n;
    const double xx = SumXX / n - cx * cx, yy = SumYY / n - cy * cy, xy = SumXY / n - cx * cy;
    const double spread = std::sqrt((xx - yy) * (xx - yy) + 4 * xy * xy);
    const double major = (xx + yy + spread) / 2, minor = std::max((xx + yy - spread) / 2, 0.0);
    if (major <= 0.0)
        return;  // a single pixel
    elongation = static_cast<float>(1.0 - std::sqrt(minor / major));
    // Down the rows is clockwise on the picture: the angle seen is the negated one.
    double degrees = -0.5 * std::atan2(2 * xy, xx - yy) * 180.0 / M_PI;
    if (degrees <= -90.0)
        degrees += 180.0;
    angle = static_cast<float>(degrees);
}
