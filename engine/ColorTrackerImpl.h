#pragma once
// The engine's state and the steps of its passes, shared by the one-colour pass
// (ColorTracker.cpp) and a colour set's (ColourPass.cpp).
#include "ColorTracker.h"
#include "Kernels.h"
#include "RegionSums.h"
#include "StripLabeller.h"
#include "WorkBuffer.h"

#include <array>
#include <optional>
#include <vector>

struct CColorTracker::Impl {
    explicit Impl(const QueltaKernels::CKernelSet& kernels) : Kernels(kernels), Labeller(kernels) {}

    const QueltaKernels::CKernelSet& Kernels;
    // Working images: dense rows for every width (row = width pixels exactly).
    bool ImagesExist = false;
    int Width = 0;
    int Height = 0;
    CWorkBuffer YuvData;
    CWorkBuffer MaskData;
    cv::Mat Yuv;   // CV_8UC3 header over YuvData
    cv::Mat Mask;  // CV_16UC1 header over MaskData

    CStripLabeller Labeller;
    std::array<BlobInfo, TableSize> Table{};

    int PointX = 0;
    int PointY = 0;
    bool CalibrationPending = false;

    int CalibrationColour = 0;  // the colour of a set that the calibration learns

    int Regions = 0;
    int Groups = 0;
    int Chosen = -1;
    std::optional<CCalibrationWindow> Window;

    // A colour set's pass (ColourPass.cpp): every colour's bit rows, its marks and regions.
    CWorkArray<uint64_t> Planes;  // colour by colour, StrideFor(Width) words per row
    std::vector<CMark> Marks;
    std::vector<int> ColourRegions;
    std::vector<int> MarkOf = std::vector<int>(TableSize + 1, -1);  // by label: place in Chosen
    std::vector<int> ChosenMarks;
    std::vector<CRegionMoments> Moments;

    // The steps of one pass, in order.
    void CalibrateIfAsked(const cv::Mat& frame, CTrackingParams& params);
    void LabelFrame(const cv::Mat& frame, const CColorBounds& bounds);
    void ChooseBlob(const CTrackingParams& params);
    void ReportCentre(float& row, float& col) const;
    void Draw(cv::Mat& frame, bool showMask) const;

    // The steps of a colour set's pass.
    void ClassifyColours(const cv::Mat& frame, const CColourSet& set);
    const uint64_t* Plane(int colour) const;
    void LabelColour(int colour, const CColour& c);
    void CollectMarks(int colour, const CColour& c, int regions);
    void DrawColours(cv::Mat& frame, const CColourSet& set, int maskColour) const;
};
