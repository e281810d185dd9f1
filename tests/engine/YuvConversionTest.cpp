// The engine's own conversion must give the bytes of cv::cvtColor(COLOR_BGR2YUV).
#include "Kernels.h"
#include "RowSums.h"
#include "TestFrames.h"

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

using QueltaKernels::CKernelSet;

// Every kernel set this processor runs, the scalar one first.
const std::vector<const CKernelSet*>& Sets() { return QueltaKernels::KernelSets(); }

}  // namespace

TEST(YuvConversion, EveryColourGivesTheBytesOfCvtColor) {
    cv::Mat ours;
    StepByStep::ConvertToYuv(EveryColour(), ours);
    EXPECT_TRUE(SameYuv(EveryColourYuv(), ours));
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
    for (const CKernelSet* k : Sets()) {
        for (const CColorBounds& b : boundsSets) {
            for (int y = 0; y < 4096; ++y) {
                k->ConvertClassifyRow(EveryColour().ptr<uint8_t>(y), yuv.ptr<uint8_t>(0),
                                      mask.data(), bits.data(), width, b);
                const uint8_t* expected = EveryColourYuv().ptr<uint8_t>(y);
                ASSERT_EQ(0, std::memcmp(expected, yuv.ptr<uint8_t>(0), 3 * width))
                    << k->Name << " row " << y;
                int firstWrong = -1;
                for (int x = 0; x < width && firstWrong < 0; ++x) {
                    const bool in = b.Accepts(expected + 3 * x);
                    if (mask[x] != (in ? 0xFFFF : 0) || in != bool((bits[x / 64] >> (x % 64)) & 1))
                        firstWrong = x;
                }
                ASSERT_EQ(-1, firstWrong)
                    << k->Name << " misclassifies pixel " << y * width + firstWrong;
            }
        }
    }
}

// Rows of every width from 1 to 80 (vector body plus every tail length) and a few
// wide odd ones, with guard bytes after each output row.
TEST(YuvConversion, FusedKernelsStayInsideTheirRowsForEveryWidth) {
    const CColorBounds b{0, 255, 0, 140, 100, 255};
    for (const CKernelSet* set : Sets()) {
        const char* name = set->Name;
        for (int width :
             {1, 2, 7, 8, 9, 15, 16, 17, 18, 19, 31, 33, 47, 63, 64, 65, 79, 80, 641, 1279}) {
            cv::Mat frame = RandomFrame(width, 1, width);
            cv::Mat expected;
            cv::cvtColor(frame, expected, cv::COLOR_BGR2YUV);
            const int words = (width + 63) / 64;
            std::vector<uint8_t> yuv(3 * width + 64, 0xAB);
            std::vector<uint16_t> mask(width + 32, 0xABAB);
            std::vector<uint64_t> bits(words + 2, ~0ULL);
            set->ConvertClassifyRow(frame.ptr<uint8_t>(0), yuv.data(), mask.data(), bits.data(),
                                    width, b);
            EXPECT_EQ(0, std::memcmp(expected.ptr<uint8_t>(0), yuv.data(), 3 * width))
                << name << " width " << width;
            for (size_t i = 3 * width; i < yuv.size(); ++i)
                ASSERT_EQ(0xAB, yuv[i]) << name << " wrote past the YUV row, width " << width;
            for (size_t i = width; i < mask.size(); ++i)
                ASSERT_EQ(0xABAB, mask[i]) << name << " wrote past the mask row, width " << width;
            EXPECT_EQ(~0ULL, bits[words]) << name << " wrote past the bit row, width " << width;
            for (int x = width; x < 64 * words; ++x)
                EXPECT_EQ(0u, (bits[x / 64] >> (x % 64)) & 1)
                    << name << " bit past the width " << x;
            for (int x = 0; x < width; ++x) {
                const bool in = b.Accepts(expected.ptr<uint8_t>(0) + 3 * x);
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
        StepByStep::ConvertToYuv(frame, ours);
        ASSERT_TRUE(SameYuv(expected, ours)) << width << " x " << height;
    }
}

// Mask rows written from bit rows: every variant, every tail length, nothing past the row.
TEST(YuvConversion, MaskRowsFromBitsForEveryWidth) {
    cv::RNG rng(9);
    for (const CKernelSet* set : Sets()) {
        const char* name = set->Name;
        const auto kernel = set->ExpandMaskRow;
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
    cv::RNG rng(11);
    for (const CKernelSet* set : Sets()) {
        const char* name = set->Name;
        const auto kernel = set->StripChanges;
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

// Pointing a strip's runs at their roots: every set gives the scalar roots, list and bulk
// runs, also where a run's parent is a run just before it in the same strip.
TEST(YuvConversion, FlattenStripVariantsAgree) {
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
        std::vector<int32_t> wantParent = parent;
        std::vector<int32_t> wantOthers(stop + 16, -1);
        QueltaKernels::CBulkRuns wantBulk;
        const int listed = QueltaKernels::ScalarKernels.FlattenStrip(
            wantParent.data(), begin, stop, 0, wantOthers.data(), wantBulk);
        for (const CKernelSet* set : Sets()) {
            SCOPED_TRACE(std::string(set->Name) + " round " + std::to_string(round));
            std::vector<int32_t> gotParent = parent, gotOthers(stop + 16, -1);
            QueltaKernels::CBulkRuns gotBulk;
            ASSERT_EQ(listed, set->FlattenStrip(gotParent.data(), begin, stop, 0, gotOthers.data(),
                                                gotBulk));
            ASSERT_EQ(wantParent, gotParent);
            ASSERT_TRUE(
                std::equal(wantOthers.begin(), wantOthers.begin() + listed, gotOthers.begin()));
            ASSERT_EQ(wantBulk.First, gotBulk.First);
            ASSERT_EQ(wantBulk.Last, gotBulk.Last);
        }
    }
}

// Labelling part of a mask row and counting a whole bit row: every set against a column-by-
// column walk, for every width and part up to a few vector lengths, nothing written outside.
TEST(YuvConversion, RowLabelsAndCountsFollowTheColumns) {
    cv::RNG rng(17);
    for (const CKernelSet* set : Sets()) {
        SCOPED_TRACE(set->Name);
        for (int width = 1; width <= 70; ++width) {
            std::vector<uint16_t> row(width + 16);
            for (int x0 = 0; x0 < width; x0 += 1 + x0 / 9)
                for (int x1 = x0; x1 < width; x1 += 1 + (x1 - x0) / 5) {
                    for (uint16_t& v : row)
                        v = rng.uniform(0, 3) == 0 ? 0 : 0xFFFF;
                    std::vector<uint16_t> want = row;
                    for (int x = x0; x <= x1; ++x)
                        want[x] = want[x] != 0 ? 77 : 0;
                    set->LabelRowPart(row.data(), x0, x1, width, 77);
                    ASSERT_EQ(want, row) << "width " << width << " part " << x0 << ".." << x1;
                }
        }
        for (int words = 0; words <= 20; ++words) {
            std::vector<uint64_t> bits(words);
            for (uint64_t& w : bits)
                w = words % 3 == 0 ? ~0ULL : (uint64_t(rng.next()) << 32) | rng.next();
            QueltaKernels::CRowSum want;
            for (int x = 0; x < 64 * words; ++x)
                if ((bits[x / 64] >> (x % 64)) & 1)
                    ++want.Count, want.SumX += x;
            const QueltaKernels::CRowSum got = set->CountRow(bits.data(), words);
            ASSERT_EQ(want.Count, got.Count) << words << " words";
            ASSERT_EQ(want.SumX, got.SumX) << words << " words";
        }
    }
}

// A row part's moments against a walk over its columns, on rows of solid spans (the closed
// forms) and of noise, for parts inside one word and across several.
TEST(YuvConversion, RowPartMomentsFollowTheColumns) {
    cv::RNG rng(23);
    for (int rowKind = 0; rowKind < 3; ++rowKind) {
        std::vector<uint64_t> bits(4);
        for (uint64_t& w : bits)
            w = rowKind == 0 ? ~0ULL : (uint64_t(rng.next()) << 32) | rng.next();
        if (rowKind == 2)
            bits[1] = ~0ULL, bits[2] = ~0ULL >> 5;
        for (int x0 = 0; x0 < 256; x0 += 1 + rng.uniform(0, 13))
            for (int x1 = x0; x1 < 256; x1 += 1 + rng.uniform(0, 17)) {
                QueltaKernels::CRowMoments want;
                for (int x = x0; x <= x1; ++x)
                    if ((bits[x / 64] >> (x % 64)) & 1)
                        ++want.Count, want.SumX += x, want.SumXX += int64_t(x) * x;
                const QueltaKernels::CRowMoments got =
                    QueltaKernels::RowPartMoments(bits.data(), x0, x1);
                ASSERT_EQ(want.Count, got.Count) << x0 << ".." << x1;
                ASSERT_EQ(want.SumX, got.SumX) << x0 << ".." << x1;
                ASSERT_EQ(want.SumXX, got.SumXX) << x0 << ".." << x1;
            }
    }
}

// B,G,R rows: every variant gives what the B,G,R,A kernel gives on the same pixels, for every
// tail length, from input rows exactly as long as their pixels (the sanitizer build sees a
// read past them).
TEST(YuvConversion, BgrKernelsFollowTheBgraKernel) {
    const CColorBounds b{17, 201, 90, 140, 0, 177};
    for (const CKernelSet* k : Sets()) {
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
                QueltaKernels::ScalarKernels.ConvertClassifyRow(bgra.ptr<uint8_t>(0),
                                                                wantYuv.data(), wantMask.data(),
                                                                wantBits.data(), width, b);
                k->ConvertClassifyBgrRow(bgr.data(), yuv.data(), mask.data(), bits.data(), width,
                                         b);
                ASSERT_EQ(wantYuv, yuv) << k->Name << " width " << width << " row " << y;
                ASSERT_EQ(wantMask, mask) << k->Name << " width " << width << " row " << y;
                ASSERT_EQ(wantBits, bits) << k->Name << " width " << width << " row " << y;
            }
        }
    }
}

// Several colours from one YUV row: every set against the bounds themselves, for 1 to 16
// colours (some accepting nothing, some overlapping), every tail length, and wide rows.
TEST(YuvConversion, ColoursOfAYuvRowFollowTheirBounds) {
    cv::RNG rng(19);
    for (const CKernelSet* set : Sets()) {
        SCOPED_TRACE(set->Name);
        for (int width : {1, 2, 31, 32, 33, 63, 64, 65, 95, 127, 128, 129, 200, 640, 1283}) {
            const int colours = 1 + (width * 7) % QueltaKernels::MaxColours;
            std::vector<CColorBounds> bounds(colours);
            for (CColorBounds& b : bounds) {
                uint8_t v[6];
                for (uint8_t& x : v)
                    x = uint8_t(rng.uniform(0, 256));
                b = {std::min(v[0], v[1]), std::max(v[0], v[1]), std::min(v[2], v[3]),
                     std::max(v[2], v[3]), std::min(v[4], v[5]), std::max(v[4], v[5])};
                if (rng.uniform(0, 5) == 0)
                    std::swap(b.a1Min, b.a1Max);  // accepts nothing (unless equal)
            }
            std::vector<uint8_t> yuv(3 * width);
            for (uint8_t& v : yuv)
                v = uint8_t(rng.uniform(0, 256));
            const int words = (width + 63) / 64;
            std::vector<std::vector<uint64_t>> rows(colours,
                                                    std::vector<uint64_t>(words + 1, ~0ULL));
            std::vector<uint64_t*> bits;
            for (auto& r : rows)
                bits.push_back(r.data());
            set->ClassifyRows(yuv.data(), width, bounds.data(), colours, bits.data());
            for (int c = 0; c < colours; ++c) {
                ASSERT_EQ(~0ULL, rows[c][words]) << "wrote past the row, width " << width;
                for (int x = 0; x < 64 * words; ++x) {
                    const bool want = x < width && bounds[c].Accepts(&yuv[3 * x]);
                    ASSERT_EQ(want, bool((rows[c][x / 64] >> (x % 64)) & 1))
                        << "width " << width << " colour " << c << " pixel " << x;
                }
            }
        }
    }
}

// The sets that classify every colour straight from the pixels: the same bits as converting
// the row (to cvtColor's bytes) and classifying it, for B,G,R,A and B,G,R rows exactly as long
// as their pixels, every tail length and 1 to 16 colours.
TEST(YuvConversion, ColoursStraightFromPixelsFollowTheConvertedRow) {
    cv::RNG rng(23);
    int tested = 0;
    for (const CKernelSet* set : Sets()) {
        if (set->ConvertClassifyRows == nullptr)
            continue;
        ++tested;
        SCOPED_TRACE(set->Name);
        for (int width : {1, 15, 16, 17, 63, 64, 65, 127, 129, 640, 1283}) {
            const int colours = 1 + (width * 5) % QueltaKernels::MaxColours;
            const int y = rng.uniform(0, EveryColour().rows);
            const cv::Mat bgra = EveryColour().row(y).colRange(0, width);
            cv::Mat bgrMat, yuvMat;
            cv::cvtColor(bgra, bgrMat, cv::COLOR_BGRA2BGR);
            cv::cvtColor(bgrMat, yuvMat, cv::COLOR_BGR2YUV);
            const std::vector<uint8_t> bgr(bgrMat.data, bgrMat.data + 3 * width);
            // Bounds around pixels of the row, so that every colour accepts some.
            std::vector<CColorBounds> bounds(colours);
            for (CColorBounds& b : bounds) {
                const uint8_t* p = yuvMat.ptr<uint8_t>(0) + 3 * rng.uniform(0, width);
                const auto around = [&](uint8_t v, int spread, uint8_t& lo, uint8_t& hi) {
                    lo = uint8_t(std::max(0, v - spread)), hi = uint8_t(std::min(255, v + spread));
                };
                around(p[0], rng.uniform(0, 60), b.lMin, b.lMax);
                around(p[1], rng.uniform(0, 60), b.a1Min, b.a1Max);
                around(p[2], rng.uniform(0, 60), b.a2Min, b.a2Max);
            }
            const int words = (width + 63) / 64;
            using Rows = std::vector<std::vector<uint64_t>>;
            const auto classify = [&](auto&& run) {
                Rows rows(colours, std::vector<uint64_t>(words + 1, ~0ULL));
                std::vector<uint64_t*> bits;
                for (auto& r : rows)
                    bits.push_back(r.data());
                run(bits.data());
                return rows;
            };
            const Rows want = classify([&](uint64_t* const* bits) {
                QueltaKernels::ScalarKernels.ClassifyRows(yuvMat.data, width, bounds.data(),
                                                          colours, bits);
            });
            const Rows fromBgra = classify([&](uint64_t* const* bits) {
                set->ConvertClassifyRows(bgra.data, width, bounds.data(), colours, bits);
            });
            const Rows fromBgr = classify([&](uint64_t* const* bits) {
                set->ConvertClassifyBgrRows(bgr.data(), width, bounds.data(), colours, bits);
            });
            ASSERT_EQ(want, fromBgra) << "width " << width;
            ASSERT_EQ(want, fromBgr) << "width " << width;
        }
    }
    if (tested == 0)
        GTEST_SKIP() << "no kernel set of this processor classifies straight from the pixels";
}
