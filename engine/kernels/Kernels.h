#pragma once
#include "YuvFormula.h"

#include <cstdint>
#include <string>
#include <vector>

// The pieces of the tracking pass that run once per pixel or per run, each in a plain scalar
// form and in the vector forms a processor may have. A kernel set holds one form of each;
// the pass takes all of its kernels from one set, chosen once per process.
namespace QueltaKernels {

// n pixels (4 bytes B,G,R,A each; 3 bytes B,G,R for the Bgr row): writes yuv (3n bytes),
// mask (n entries, 0 or 0xFFFF; none when mask is null) and bits ((n + 63) / 64 words; bit x
// of the row is bit x % 64 of word x / 64, bits past n are 0).
using ConvertClassifyRowFn = void (*)(const uint8_t* pixels, uint8_t* yuv, uint16_t* mask,
                                      uint64_t* bits, int n, const CColorBounds& bounds);

// n pixels of packed Y,U,V bytes, classified for several colours at once: bits[c] (a bit row as
// above) gets the pixels that bounds[c] accepts, for c < colours (1 to MaxColours).
using ClassifyRowsFn = void (*)(const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                                uint64_t* const* bits);
inline constexpr int MaxColours = 16;

// n pixels (B,G,R,A or B,G,R, as the row kernels above take them) classified for several
// colours straight away: bits[c] as ClassifyRows gives them for the pixels' Y,U,V, and no YUV
// row written. Sets whose processors gain nothing by it leave it null; a pass then converts
// the row and classifies it.
using ConvertClassifyRowsFn = void (*)(const uint8_t* pixels, int n, const CColorBounds* bounds,
                                       int colours, uint64_t* const* bits);

// n mask entries from a bit row: `fill` where the bit is set, 0 elsewhere.
using ExpandMaskRowFn = void (*)(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill);

// Gives `label` to the non-zero entries of columns x0..x1 of a mask row of `width` entries;
// 0 stays 0.
using LabelRowPartFn = void (*)(uint16_t* row, int x0, int x1, int width, uint16_t label);

// The changes between 0 and 1 along the bits of top | bottom (bottom may be null), `words`
// words of each: entry j of `bounds`, from j = k on, gets the column of the next change,
// less 1 when j is odd (so, with k even, even entries are the first columns of runs and
// odd entries their last columns). Returns the k after the last change written; up to
// StripChangesSlack entries after it may be overwritten. A 1 in the last bit of the last
// word has no change after it.
using StripChangesFn = int (*)(const uint64_t* top, const uint64_t* bottom, int words,
                               int32_t* bounds, int k);
inline constexpr int StripChangesSlack = 16;

// Points runs begin..stop-1 at their roots: parent[i] = parent[parent[i]], in order (parents
// are smaller indices, whose entries point at roots already once those before are done).
// Lists the runs whose root is not `bulk` in `others` and returns how many (up to
// StripChangesSlack entries after them may be overwritten); first and last get the first and
// last run whose root is `bulk`, or -1.
struct CBulkRuns {
    int32_t First = -1, Last = -1;
};
using FlattenStripFn = int (*)(int32_t* parent, int32_t begin, int32_t stop, int32_t bulk,
                               int32_t* others, CBulkRuns& bulkRuns);

// The set pixels of a whole bit row of `words` words: how many, and the sum of their columns.
struct CRowSum {
    int64_t Count = 0;
    int64_t SumX = 0;
};
using CountRowFn = CRowSum (*)(const uint64_t* row, int words);

struct CKernelSet {
    const char* Name;                            // "scalar", "avx2", "avx512" or "neon"
    ConvertClassifyRowFn ConvertClassifyRow;     // B,G,R,A pixels
    ConvertClassifyRowFn ConvertClassifyBgrRow;  // B,G,R pixels
    ClassifyRowsFn ClassifyRows;
    ExpandMaskRowFn ExpandMaskRow;
    LabelRowPartFn LabelRowPart;
    StripChangesFn StripChanges;
    FlattenStripFn FlattenStrip;
    CountRowFn CountRow;
    ConvertClassifyRowsFn ConvertClassifyRows = nullptr;     // B,G,R,A pixels
    ConvertClassifyRowsFn ConvertClassifyBgrRows = nullptr;  // B,G,R pixels
};

// The sets this processor runs, plainest first and best last.
const std::vector<const CKernelSet*>& KernelSets();
const CKernelSet& BestKernels();
// The set named `requested` when this processor runs it; otherwise the best, with the reason
// in `message` (an unknown name, or a set this processor lacks). Null or empty asks for the best.
const CKernelSet& ChooseKernels(const char* requested, std::string& message);
// The set of this process: QUELTA_KERNELS when set, chosen once (a request it cannot meet is
// reported on stderr once, and the best set used).
const CKernelSet& ActiveKernels();

// The scalar forms, which the vector forms use for their last pixels; and each architecture's
// sets, empty where the compiler or the processor lacks them.
extern const CKernelSet ScalarKernels;
std::vector<const CKernelSet*> X86Kernels();
std::vector<const CKernelSet*> NeonKernels();

// The scalar ClassifyRows from column `from` (a multiple of 64) on: the vector forms' tail.
void ClassifyRowsFrom(int from, const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                      uint64_t* const* bits);

// The vector rows' last pixels (`bytes` per pixel, 4 or 3), from column `from` (a multiple of
// 8) to n: the bit row's words from there on are cleared first.
void ConvertClassifyTail(const uint8_t* pixels, int bytes, uint8_t* yuv, uint16_t* mask,
                         uint64_t* bits, int from, int n, const CColorBounds& bounds);

}  // namespace QueltaKernels
