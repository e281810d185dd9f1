#pragma once
#include <opencv2/core/mat.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

// The driver's pixel formats we turn into frames (CV_8UC4, bytes B,G,R,A), best first: those
// that only need their bytes reordered, then the packed and planar YUV ones cameras send
// uncompressed, then JPEG, which costs a decode per frame.
const std::vector<uint32_t>& ConvertiblePixelFormats();
bool CanConvert(uint32_t pixelFormat);

// Converts one captured image into `frame`, which already has the image's size. `stride` is
// the driver's bytes per line of the first plane; `bytes` what the buffer holds. False when
// the data does not fit the format (a short or corrupt buffer): the frame is then unusable.
bool ConvertToFrame(uint32_t pixelFormat, const uint8_t* data, size_t bytes, int stride,
                    cv::Mat& frame);
