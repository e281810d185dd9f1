// The x86 kernel sets, as far as this processor has their instructions. The AVX-512 set takes
// the AVX2 rows on processors without VBMI and BMI2 (before 2019), and the population-count
// run bounds on those without VBMI2.
#include "X86Parts.h"

namespace QueltaKernels {

#if defined(__x86_64__)

namespace {

bool HasAvx2() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"); }

bool HasAvx512() {
    return HasAvx2() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl");
}

CKernelSet MakeAvx2() {
    return {"avx2",
            X86::ConvertClassifyRowAvx2,
            X86::ConvertClassifyBgrRowAvx2,
            X86::ClassifyRowsAvx2,
            X86::ExpandMaskRowAvx2,
            X86::LabelRowPartSse2,
            X86::StripChangesPopcnt,
            ScalarKernels.FlattenStrip,
            X86::CountRowPopcnt};
}

CKernelSet MakeAvx512() {
    const bool vbmi = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("bmi2");
    const bool vbmi2 = __builtin_cpu_supports("avx512vbmi2");
    CKernelSet set = MakeAvx2();
    set.Name = "avx512";
    if (vbmi) {
        set.ConvertClassifyRow = X86::ConvertClassifyRowAvx512;
        set.ConvertClassifyBgrRow = X86::ConvertClassifyBgrRowAvx512;
        set.ClassifyRows = X86::ClassifyRowsAvx512;
        set.ConvertClassifyRows = X86::ConvertClassifyRowsAvx512;
        set.ConvertClassifyBgrRows = X86::ConvertClassifyBgrRowsAvx512;
    }
    set.ExpandMaskRow = X86::ExpandMaskRowAvx512;
    if (vbmi2)
        set.StripChanges = X86::StripChangesAvx512;
    set.FlattenStrip = X86::FlattenStripAvx512;
    return set;
}

}  // namespace

std::vector<const CKernelSet*> X86Kernels() {
    static const CKernelSet avx2 = MakeAvx2();
    static const CKernelSet avx512 = MakeAvx512();
    std::vector<const CKernelSet*> sets;
    if (HasAvx2())
        sets.push_back(&avx2);
    if (HasAvx512())
        sets.push_back(&avx512);
    return sets;
}

#else

std::vector<const CKernelSet*> X86Kernels() { return {}; }

#endif

}  // namespace QueltaKernels
