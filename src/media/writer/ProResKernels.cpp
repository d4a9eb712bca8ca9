#include "media/writer/ProResKernels.h"

#include "media/writer/ProResKernelsSimd.h"

namespace media {

const ProResKernels* ProResKernels::forIsa(Isa isa)
{
    switch (isa) {
    case Isa::scalar:
        return &proResScalarKernels();
    case Isa::sse41:
        return __builtin_cpu_supports("sse4.1") ? proResSse41Kernels() : nullptr;
    case Isa::avx2:
        return __builtin_cpu_supports("avx2") ? proResAvx2Kernels() : nullptr;
    }
    return nullptr;
}

const ProResKernels& ProResKernels::best()
{
    static const ProResKernels& chosen = []() -> const ProResKernels& {
        for (Isa isa : { Isa::avx2, Isa::sse41 })
            if (const ProResKernels* table = forIsa(isa))
                return *table;
        return proResScalarKernels();
    }();
    return chosen;
}

} // namespace media
