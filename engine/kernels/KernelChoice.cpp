#include "Kernels.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace QueltaKernels {

namespace {

constexpr const char* KnownNames[] = {"scalar", "avx2", "avx512", "neon"};

std::string NamesOf(const std::vector<const CKernelSet*>& sets) {
    std::string names;
    for (const CKernelSet* s : sets)
        names += (names.empty() ? "" : ", ") + std::string(s->Name);
    return names;
}

}  // namespace

const std::vector<const CKernelSet*>& KernelSets() {
    static const std::vector<const CKernelSet*> sets = [] {
        std::vector<const CKernelSet*> all{&ScalarKernels};
        for (const CKernelSet* s : X86Kernels())
            all.push_back(s);
        for (const CKernelSet* s : NeonKernels())
            all.push_back(s);
        return all;
    }();
    return sets;
}

const CKernelSet& BestKernels() { return *KernelSets().back(); }

const CKernelSet& ChooseKernels(const char* requested, std::string& message) {
    message.clear();
    if (requested == nullptr || *requested == '\0')
        return BestKernels();
    for (const CKernelSet* s : KernelSets())
        if (std::strcmp(s->Name, requested) == 0)
            return *s;
    bool known = false;
    for (const char* name : KnownNames)
        known = known || std::strcmp(name, requested) == 0;
    message = std::string("QUELTA_KERNELS=") + requested +
              (known ? ": this processor cannot run that kernel set"
                     : ": there is no such kernel set (scalar, avx2, avx512, neon)") +
              "; it runs " + NamesOf(KernelSets()) + ", and " + BestKernels().Name + " is used";
    return BestKernels();
}

const CKernelSet& ActiveKernels() {
    static const CKernelSet& active = []() -> const CKernelSet& {
        std::string message;
        const CKernelSet& chosen = ChooseKernels(std::getenv("QUELTA_KERNELS"), message);
        if (!message.empty())
            std::fprintf(stderr, "quelta: %s\n", message.c_str());
        return chosen;
    }();
    return active;
}

}  // namespace QueltaKernels
