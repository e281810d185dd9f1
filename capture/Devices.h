#pragma once
#include "CaptureDevice.h"
#include "TestCamera.h"

#include <memory>
#include <string>

// The kinds of device a source string can name (see MakeCaptureDevice).
std::unique_ptr<CCaptureDevice> MakeTestCameraDevice(int width, int height, double fps,
                                                     CTestScene scene = CTestScene::OneDisc);
std::unique_ptr<CCaptureDevice> MakeVideoFileDevice(const std::string& path);
std::unique_ptr<CCaptureDevice> MakeStillImageDevice(const std::string& path);
std::unique_ptr<CCaptureDevice> MakePipelineDevice(const std::string& pipeline);
std::unique_ptr<CCaptureDevice> MakeV4l2Device(const std::string& path);

// Converts a frame as OpenCV delivers it (BGR, grey or BGRA) into a pool buffer.
bool ToPoolFrame(const cv::Mat& source, CFramePool& pool, cv::Mat& frame);
