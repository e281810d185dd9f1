#include "Scenes.h"

#include <opencv2/imgproc.hpp>

cv::Mat Background(cv::Size size, uint64_t seed) {
    cv::RNG rng(seed);
    cv::Mat coarse(5, 7, CV_8UC1);
    rng.fill(coarse, cv::RNG::UNIFORM, 60, 190);
    cv::Mat grey;
    cv::resize(coarse, grey, size, 0, 0, cv::INTER_CUBIC);
    cv::Mat bgr;
    cv::cvtColor(grey, bgr, cv::COLOR_GRAY2BGR);
    cv::Mat noise(size, CV_8UC3);
    rng.fill(noise, cv::RNG::UNIFORM, 0, 24);
    cv::add(bgr, noise, bgr);
    cv::Mat frame;
    cv::cvtColor(bgr, frame, cv::COLOR_BGR2BGRA);
    return frame;
}

cv::Mat RandomScene(cv::Size size, uint64_t seed) {
    cv::Mat frame = Background(size, seed);
    cv::RNG rng(seed * 7919 + 1);
    const cv::Scalar colour(MarkBgr[0], MarkBgr[1], MarkBgr[2], 255);
    const int marks = rng.uniform(0, 6);
    const int largest = std::max(4, std::min(size.width, size.height) / 6);
    for (int i = 0; i < marks; ++i) {
        const cv::Point c(rng.uniform(0, size.width), rng.uniform(0, size.height));
        const int a = rng.uniform(2, largest), b = rng.uniform(2, largest);
        switch (rng.uniform(0, 4)) {
        case 0:
            cv::circle(frame, c, a, colour, cv::FILLED, cv::LINE_8);
            break;
        case 1:
            cv::circle(frame, c, a, colour, cv::FILLED, cv::LINE_AA);
            break;
        case 2:
            cv::ellipse(frame, c, {a, b}, rng.uniform(0, 180), 0, 360, colour, cv::FILLED);
            break;
        default:
            cv::rectangle(frame, cv::Rect(c.x, c.y, a * 2, b / 2 + 1), colour, cv::FILLED);
            break;
        }
    }
    for (int i = rng.uniform(0, 20); i > 0; --i) {
        const cv::Point p(rng.uniform(0, size.width), rng.uniform(0, size.height));
        frame.at<cv::Vec4b>(p) = cv::Vec4b(MarkBgr[0], MarkBgr[1], MarkBgr[2], 255);
    }
    return frame;
}

cv::Mat DiscScene(cv::Size size, cv::Point centre, int radius, uint64_t seed) {
    cv::Mat frame = Background(size, seed);
    cv::circle(frame, centre, radius, cv::Scalar(MarkBgr[0], MarkBgr[1], MarkBgr[2], 255),
               cv::FILLED, cv::LINE_8);
    return frame;
}
