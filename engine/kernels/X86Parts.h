#pragma once
#include "Kernels.h"

// The x86 kernels, from which the AVX2 and AVX-512 sets are made (X86KernelSets.cpp). Each
// runs only on a processor with its instructions.
#if defined(__x86_64__)
namespace QueltaKernels::X86 {

// AVX2
void ConvertClassifyRowAvx2(const uint8_t* bgra, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                            int n, const CColorBounds& bounds);
void ConvertClassifyBgrRowAvx2(const uint8_t* bgr, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                               int n, const CColorBounds& bounds);
void ClassifyRowsAvx2(const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                      uint64_t* const* bits);
void ExpandMaskRowAvx2(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill);
// SSE2 and the population count (every AVX2 processor has them)
void LabelRowPartSse2(uint16_t* row, int x0, int x1, int width, uint16_t label);
int StripChangesPopcnt(const uint64_t* top, const uint64_t* bottom, int words, int32_t* bounds,
                       int k);
CRowSum CountRowPopcnt(const uint64_t* row, int words);

// AVX-512 F, BW and VL
void ExpandMaskRowAvx512(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill);
int FlattenStripAvx512(int32_t* parent, int32_t begin, int32_t stop, int32_t bulk, int32_t* others,
                       CBulkRuns& bulkRuns);
// ... with VBMI and BMI2
void ConvertClassifyRowAvx512(const uint8_t* bgra, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                              int n, const CColorBounds& bounds);
void ConvertClassifyBgrRowAvx512(const uint8_t* bgr, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                                 int n, const CColorBounds& bounds);
void ClassifyRowsAvx512(const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                        uint64_t* const* bits);
void ConvertClassifyRowsAvx512(const uint8_t* bgra, int n, const CColorBounds* bounds, int colours,
                               uint64_t* const* bits);
void ConvertClassifyBgrRowsAvx512(const uint8_t* bgr, int n, const CColorBounds* bounds,
                                  int colours, uint64_t* const* bits);
// ... with VBMI2
int StripChangesAvx512(const uint64_t* top, const uint64_t* bottom, int words, int32_t* bounds,
                       int k);

}  // namespace QueltaKernels::X86
#endif
