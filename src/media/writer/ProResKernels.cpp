#include "media/writer/ProResKernels.h"

#include "media/writer/ProResKernelsSimd.h"

#include <cmath>

namespace media {

ProResColorWeights ProResColorWeights::forMatrix(double kr, double kb)
{
    // 10-bit limited range: 876 luma steps, 896 chroma steps, from 8-bit full-range RGB.
    constexpr double kScale = 8192.0;
    const double luma = 876.0 / 255.0 * kScale;
    const double cb = 896.0 / 255.0 / (2 * (1 - kb)) * kScale;
    const double cr = 896.0 / 255.0 / (2 * (1 - kr)) * kScale;
    auto fixed = [](double v) { return static_cast<std::int16_t>(std::lround(v)); };
    ProResColorWeights w {};
    w.yr = fixed(kr * luma);
    w.yb = fixed(kb * luma);
    // The weights of each row sum exactly to white's and grey's values.
    w.yg = static_cast<std::int16_t>(std::lround(luma) - w.yr - w.yb);
    w.ub = fixed((1 - kb) * cb);
    w.ur = fixed(-kr * cb);
    w.ug = static_cast<std::int16_t>(-w.ub - w.ur);
    w.vr = fixed((1 - kr) * cr);
    w.vb = fixed(-kb * cr);
    w.vg = static_cast<std::int16_t>(-w.vr - w.vb);
    return w;
}

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
