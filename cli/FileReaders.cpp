#include "FrameReader.h"

#include "ToolError.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <filesystem>

namespace {

class CImageListReader : public CFrameReader {
public:
    explicit CImageListReader(std::vector<std::string> paths) : Paths(std::move(paths)) {}

    bool Next(cv::Mat& frame) override {
        if (Position >= Paths.size())
            return false;
        const std::string& path = Paths[Position++];
        const cv::Mat picture = cv::imread(path, cv::IMREAD_COLOR);
        if (picture.empty())
            throw CToolError("cannot read image '" + path + "'");
        frame = ToBgra(picture);
        return true;
    }

private:
    std::vector<std::string> Paths;
    size_t Position = 0;
};

class CVideoFileReader : public CFrameReader {
public:
    explicit CVideoFileReader(const std::string& path) : Path(path) {
        if (!Capture.open(path, cv::CAP_ANY) || !Capture.read(First) || First.empty())
            throw CToolError("cannot read video '" + path + "' (not an image or video file?)");
    }

    bool Next(cv::Mat& frame) override {
        cv::Mat picture;
        if (!First.empty())
            std::swap(picture, First);
        else if (!Capture.read(picture) || picture.empty())
            return false;  // the end of the video
        frame = ToBgra(picture);
        return true;
    }

private:
    std::string Path;
    cv::VideoCapture Capture;
    cv::Mat First;  // read when opening, to refuse files that hold no frame
};

void CheckFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw CToolError("cannot open '" + path + "': no such file");
}

}  // namespace

std::unique_ptr<CFrameReader> OpenFileReader(const std::vector<std::string>& sources) {
    for (const std::string& path : sources)
        CheckFile(path);
    bool allImages = true;
    for (const std::string& path : sources)
        allImages = allImages && cv::haveImageReader(path);
    if (allImages)
        return std::make_unique<CImageListReader>(sources);
    if (sources.size() > 1)
        throw CToolError("several sources must all be image files; a video file must be the "
                         "only source");
    return std::make_unique<CVideoFileReader>(sources.front());
}

cv::Mat ToBgra(const cv::Mat& picture) {
    cv::Mat eight = picture;
    if (picture.depth() != CV_8U) {
        const double scale = picture.depth() == CV_16U ? 1.0 / 257.0 : 1.0;
        picture.convertTo(eight, CV_8U, scale);
    }
    cv::Mat frame;
    switch (eight.channels()) {
    case 1:
        cv::cvtColor(eight, frame, cv::COLOR_GRAY2BGRA);
        break;
    case 3:
        cv::cvtColor(eight, frame, cv::COLOR_BGR2BGRA);
        break;
    case 4:
        frame = eight.isContinuous() ? eight : eight.clone();
        break;
    default:
        throw CToolError("frames of " + std::to_string(eight.channels()) +
                         " channels are not supported");
    }
    return frame;
}
