// The engine's own conversion must give the bytes of cv::cvtColor(COLOR_BGR2YUV).
#include "TestFrames.h"
#include "YuvKernels.h"

#include <gtest/gtest.h>

using namespace TestFrames;

namespace {

// Every B,G,R colour once: 4096 x 4096 pixels, colour i at pixel i.
const cv::Mat& EveryColour() {
    static const cv::Mat frame = [] {
        cv::Mat f(4096, 4096, CV_8UC4);
        auto* px = f.ptr<uint32_t>(0);
        for (uint32_t i = 0; i < (1u << 24); ++i)
            px[i] = i | 0x5A000000u;  // an alpha that is neither 0 nor 255
        return f;
    }();
    return frame;
}

const cv::Mat& EveryColourYuv() {
    static const cv::Mat yuv = [] {
        cv::Mat y;
        cv::cvtColor(EveryColour(), y, cv::COLOR_BGR2YUV);
        return y;
    }();
    return yuv;
}

// Reports the first colour that differs, not millions of failures.
::testing::AssertionResult SameYuv(const cv::Mat& expected, const cv::Mat& actual) {
    for (int y = 0; y < expected.rows; ++y) {
        const uint8_t* e = expected.ptr<uint8_t>(y);
        const uint8_t* a = actual.ptr<uint8_t>(y);
        for (int x = 0; x < expected.cols * 3; ++x)
            if (e[x] != a[x])
                return ::testing::AssertionFailure()
                       << "pixel " << (y * expected.cols + x / 3) << " byte " << x % 3
                       << ": expected " << int(e[x]) << " got " << int(a[x]);
    }
    return ::testing::AssertionSuccess();
}

struct CKernelCase {
    const char* Name;
    QueltaKernels::ConvertClassifyRowFn Kernel;
};

std::vector<CKernelCase> FusedKernels() {
    std::vector<CKernelCase> k{{"scalar", QueltaKernels::ConvertClassifyRowScalar}};
    if (QueltaKernels::ConvertClassifyRowAvx2())
        k.push_back({"avx2", QueltaKernels::ConvertClassifyRowAvx2()});
    if (QueltaKernels::ConvertClassifyRowAvx512())
        k.push_back({"avx512", QueltaKernels::ConvertClassifyRowAvx512()});
    return k;
}

}  // namespace

TEST(YuvConversion, EveryColourGivesTheBytesOfCvtColor) {
    cv::Mat ours;
    TrackingSteps::ConvertToYuv(EveryColour(), ours);
    EXPECT_TRUE(SameYuv(EveryColourYuv(), ours));
}

TEST(YuvConversion, ScalarAndVectorRowsAgreeForEveryColour) {
    cv::Mat yuv(4096, 4096, CV_8UC3);
    for (int y = 0; y < 4096; ++y)
        QueltaKernels::ConvertRowScalar(EveryColour().ptr<uint8_t>(y), yuv.ptr<uint8_t>(y), 4096);
    EXPECT_TRUE(SameYuv(EveryColourYuv(), yuv));
    if (auto avx2 = QueltaKernels::ConvertRowAvx2()) {
        yuv.setTo(cv::Scalar::all(0));
        for (int y = 0; y < 4096; ++y)
            avx2(EveryColour().ptr<uint8_t>(y), yuv.ptr<uint8_t>(y), 4096);
        EXPECT_TRUE(SameYuv(EveryColourYuv(), yuv));
    }
}

// The fused kernels convert and classify at once: their YUV bytes, mask entries and bit
// rows must all follow cvtColor's bytes, for bounds that cut through every component.
TEST(YuvConversion, FusedKernelsClassifyEveryColourLikeTheirYuv) {
    const std::vector<CColorBounds> boundsSets{
        {0, 255, 0, 255, 0, 255}, {100, 100, 0, 255, 0, 255}, {17, 201, 90, 140, 0, 77},
        {0, 0, 0, 0, 0, 0},       {120, 100, 0, 255, 0, 255}, {30, 230, 3, 253, 178, 255},
    };
    const int width = 4096;
    std::vector<uint16_t> mask(width);
    std::vector<uint64_t> bits(width / 64);
    cv::Mat yuv(1, width, CV_8UC3);
    for (const CKernelCase& k : FusedKernels()) {
        for (const CColorBounds& b : boundsSets) {
            for (int y = 0; y < 4096; ++y) {
                k.Kernel(EveryColour().ptr<uint8_t>(y), yuv.ptr<uint8_t>(0), mask.data(),
                         bits.data(), width, b);
                const uint8_t* expected = EveryColourYuv().ptr<uint8_t>(y);
                ASSERT_EQ(0, std::memcmp(expected, yuv.ptr<uint8_t>(0), 3 * width))
                    << k.Name << " row " << y;
                int firstWrong = -1;
                for (int x = 0; x < width && firstWrong < 0; ++x) {
                    const bool in = QueltaKernels::Accepts(b, expected + 3 * x);
                    if (mask[x] != (in ? 0xFFFF : 0) || in != bool((bits[x / 64] >> (x % 64)) & 1))
                        firstWrong = x;
                }
                ASSERT_EQ(-1, firstWrong)
                    << k.Name << " misclassifies pixel " << y * width + firstWrong;
            }
        }
    }
}

// Rows of every width from 1 to 80 (vector body plus every tail length) and a few
// wide odd ones, with guard bytes after each output row.
TEST(YuvConversion, FusedKernelsStayInsideTheirRowsForEveryWidth) {
    const CColorBounds b{0, 255, 0, 140, 100, 255};
    for (const CKernelCase& k : FusedKernels()) {
        for (int width :
             {1, 2, 7, 8, 9, 15, 16, 17, 18, 19, 31, 33, 47, 63, 64, 65, 79, 80, 641, 1279}) {
            cv::Mat frame = RandomFrame(width, 1, width);
            cv::Mat expected;
            cv::cvtColor(frame, expected, cv::COLOR_BGR2YUV);
            const int words = (width + 63) / 64;
            std::vector<uint8_t> yuv(3 * width + 64, 0xAB);
            std::vector<uint16_t> mask(width + 32, 0xABAB);
            std::vector<uint64_t> bits(words + 2, ~0ULL);
            k.Kernel(frame.ptr<uint8_t>(0), yuv.data(), mask.data(), bits.data(), width, b);
            EXPECT_EQ(0, std::memcmp(expected.ptr<uint8_t>(0), yuv.data(), 3 * width))
                << k.Name << " width " << width;
            for (size_t i = 3 * width; i < yuv.size(); ++i)
                ASSERT_EQ(0xAB, yuv[i]) << k.Name << " wrote past the YUV row, width " << width;
            for (size_t i = width; i < mask.size(); ++i)
                ASSERT_EQ(0xABAB, mask[i]) << k.Name << " wrote past the mask row, width " << width;
            EXPECT_EQ(~0ULL, bits[words]) << k.Name << " wrote past the bit row, width " << width;
            for (int x = width; x < 64 * words; ++x)
                EXPECT_EQ(0u, (bits[x / 64] >> (x % 64)) & 1)
                    << k.Name << " bit past the width " << x;
            for (int x = 0; x < width; ++x) {
                const bool in = QueltaKernels::Accepts(b, expected.ptr<uint8_t>(0) + 3 * x);
                EXPECT_EQ(in ? 0xFFFF : 0, mask[x]);
                EXPECT_EQ(in, bool((bits[x / 64] >> (x % 64)) & 1));
            }
        }
    }
}

TEST(YuvConversion, RandomFramesOfOddSizesGiveCvtColorBytes) {
    for (int i = 0; i < 40; ++i) {
        const int width = 1 + (i * 37) % 203;
        const int height = 1 + (i * 11) % 29;
        cv::Mat frame = RandomFrame(width, height, 100 + i);
        cv::Mat expected, ours;
        cv::cvtColor(frame, expected, cv::COLOR_BGR2YUV);
        TrackingSteps::ConvertToYuv(frame, ours);
        ASSERT_TRUE(SameYuv(expected, ours)) << width << " x " << height;
    }
}

// Mask rows written from bit rows: every variant, every tail length, nothing past the row.
TEST(YuvConversion, MaskRowsFromBitsForEveryWidth) {
    std::vector<std::pair<const char*, QueltaKernels::ExpandMaskRowFn>> kernels{
        {"scalar", QueltaKernels::ExpandMaskRowScalar}};
    if (auto k = QueltaKernels::ExpandMaskRowAvx2())
        kernels.emplace_back("avx2", k);
    if (auto k = QueltaKernels::ExpandMaskRowAvx512())
        kernels.emplace_back("avx512", k);
    cv::RNG rng(9);
    for (const auto& [name, kernel] : kernels) {
        for (int width = 1; width <= 200; ++width) {
            const int words = (width + 63) / 64;
            std::vector<uint64_t> bits(words);
            for (uint64_t& w : bits)
                w = (uint64_t(rng.next()) << 32) | rng.next();
            if (width % 64 != 0)  // bits past the width are 0
                bits.back() &= ~0ULL >> (64 - width % 64);
            std::vector<uint16_t> mask(width + 40, 0xABAB);
            kernel(bits.data(), mask.data(), width, 1234);
            for (int x = 0; x < width; ++x)
                ASSERT_EQ((bits[x / 64] >> (x % 64)) & 1 ? 1234 : 0, mask[x])
                    << name << " width " << width << " entry " << x;
            for (size_t i = width; i < mask.size(); ++i)
                ASSERT_EQ(0xABAB, mask[i]) << name << " wrote past the row, width " << width;
        }
    }
}

// Run bounds from two bit rows: every variant lists the changes along top | bottom (and top
// alone) as a column-by-column walk does, from an even or an odd first entry, and writes
// nothing past the slack it is allowed.
TEST(YuvConversion, StripChangesListEveryRunForEveryWidth) {
    std::vector<std::pair<const char*, QueltaKernels::StripChangesFn>> kernels{
        {"scalar", QueltaKernels::StripChangesScalar}};
    if (auto k = QueltaKernels::StripChangesAvx512())
        kernels.emplace_back("avx512", k);
    cv::RNG rng(11);
    for (const auto& [name, kernel] : kernels) {
        for (int width = 1; width <= 300; width += width < 70 ? 1 : width == 70 ? 58 : 37) {
            const int words = (width + 63) / 64;
            std::vector<uint64_t> top(words), bottom(words);
            const int sparse = width % 3;  // dense noise, sparse noise, long runs
            for (int w = 0; w < words; ++w) {
                top[w] = (uint64_t(rng.next()) << 32) | rng.next();
                bottom[w] = (uint64_t(rng.next()) << 32) | rng.next();
                if (sparse == 1)
                    top[w] &= bottom[w], bottom[w] = 0;
                else if (sparse == 2)
                    top[w] = rng.uniform(0, 2) ? ~0ULL : 0, bottom[w] >>= 60;
            }
            if (width % 64 != 0) {  // bits past the width are 0
                top.back() &= ~0ULL >> (64 - width % 64);
                bottom.back() &= ~0ULL >> (64 - width % 64);
            } else {
                top.back() |= 1ULL << 63;  // a run to the last column, with no change after it
            }
            for (const bool withBottom : {true, false})
                for (const int first : {0, 3}) {
                    std::vector<int32_t> expected(first, -7);
                    bool before = false;  // column by column through whole words
                    for (int x = 0; x < 64 * words; ++x) {
                        const uint64_t both = top[x / 64] | (withBottom ? bottom[x / 64] : 0);
                        const bool on = (both >> (x % 64)) & 1;
                        if (on != before)
                            expected.push_back(x - (int(expected.size()) & 1));
                        before = on;
                    }
                    std::vector<int32_t> bounds(
                        width + 2 + first + QueltaKernels::StripChangesSlack, -7);
                    const int end = kernel(top.data(), withBottom ? bottom.data() : nullptr, words,
                                           bounds.data(), first);
                    SCOPED_TRACE(std::string(name) + " width " + std::to_string(width));
                    ASSERT_EQ(int(expected.size()), end);
                    for (int j = 0; j < end; ++j)
                        ASSERT_EQ(expected[j], bounds[j]) << "entry " << j;
                    for (size_t j = end + QueltaKernels::StripChangesSlack; j < bounds.size(); ++j)
                        ASSERT_EQ(-7, bounds[j]) << "entry " << j << " past the slack";
                }
        }
    }
}

// Pointing a strip's runs at their roots: the vector variant gives the scalar one's roots,
// list and bulk runs, also where a run's parent is a run just before it in the same strip.
TEST(YuvConversion, FlattenStripVariantsAgree) {
    const QueltaKernels::FlattenStripFn vector = QueltaKernels::FlattenStripAvx512();
    if (vector == nullptr)
        GTEST_SKIP() << "no AVX-512 here";
    cv::RNG rng(13);
    for (int round = 0; round < 300; ++round) {
        const int begin = rng.uniform(1, 40);
        const int stop = begin + rng.uniform(0, 100);
        // Runs before the strip point at roots (the bulk's is 0); each run of the strip at one
        // of them, at an earlier run of the strip, or at itself.
        std::vector<int32_t> parent(stop);
        for (int i = 0; i < begin; ++i)
            parent[i] = i % 3 == 0 ? i : (i < 3 ? 0 : i - i % 3);
        for (int i = begin; i < stop; ++i) {
            const int pick = rng.uniform(0, 6);
            parent[i] = pick < 3    ? 0
                        : pick == 3 ? rng.uniform(0, begin)
                        : pick == 4 ? rng.uniform(begin, i + 1)
                                    : i;
        }
        std::vector<int32_t> scalarParent = parent, vectorParent = parent;
        std::vector<int32_t> scalarOthers(stop + 16, -1), vectorOthers(stop + 16, -1);
        QueltaKernels::CBulkRuns scalarBulk, vectorBulk;
        const int listed = QueltaKernels::FlattenStripScalar(scalarParent.data(), begin, stop, 0,
                                                             scalarOthers.data(), scalarBulk);
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(listed,
                  vector(vectorParent.data(), begin, stop, 0, vectorOthers.data(), vectorBulk));
        ASSERT_EQ(scalarParent, vectorParent);
        ASSERT_TRUE(
            std::equal(scalarOthers.begin(), scalarOthers.begin() + listed, vectorOthers.begin()));
        ASSERT_EQ(scalarBulk.First, vectorBulk.First);
        ASSERT_EQ(scalarBulk.Last, vectorBulk.Last);
    }
}

// B,G,R rows: every variant gives what the B,G,R,A kernel gives on the same pixels, for every
// tail length, from input rows exactly as long as their pixels (the sanitizer build sees a
// read past them).
TEST(YuvConversion, BgrKernelsFollowTheBgraKernel) {
    std::vector<CKernelCase> kernels{{"scalar", QueltaKernels::ConvertClassifyBgrRowScalar}};
    if (auto k = QueltaKernels::ConvertClassifyBgrRowAvx2())
        kernels.push_back({"avx2", k});
    if (auto k = QueltaKernels::ConvertClassifyBgrRowAvx512())
        kernels.push_back({"avx512", k});
    const CColorBounds b{17, 201, 90, 140, 0, 177};
    for (const CKernelCase& k : kernels) {
        for (int width : {1, 7, 8, 15, 16, 17, 31, 33, 47, 64, 79, 641, 4096}) {
            for (int y = 0; y < 4096; y += width < 100 ? 997 : 61) {
                const cv::Mat bgra = EveryColour().row(y).colRange(0, width);
                cv::Mat bgrMat;
                cv::cvtColor(bgra, bgrMat, cv::COLOR_BGRA2BGR);
                const std::vector<uint8_t> bgr(bgrMat.data, bgrMat.data + 3 * width);
                const int words = (width + 63) / 64;
                std::vector<uint8_t> yuv(3 * width), wantYuv(3 * width);
                std::vector<uint16_t> mask(width), wantMask(width);
                std::vector<uint64_t> bits(words), wantBits(words);
                QueltaKernels::ConvertClassifyRowScalar(bgra.ptr<uint8_t>(0), wantYuv.data(),
                                                        wantMask.data(), wantBits.data(), width, b);
                k.Kernel(bgr.data(), yuv.data(), mask.data(), bits.data(), width, b);
                ASSERT_EQ(wantYuv, yuv) << k.Name << " width " << width << " row " << y;
                ASSERT_EQ(wantMask, mask) << k.Name << " width " << width << " row " << y;
                ASSERT_EQ(wantBits, bits) << k.Name << " width " << width << " row " << y;
            }
        }
    }
}
