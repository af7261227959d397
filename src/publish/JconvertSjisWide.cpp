#include "publish/JconvertSjisWide.h"

#include <atomic>

namespace jconvert {

namespace {

bool ProcessorHasWide()
{
#if defined(TAV_SJIS_WIDE)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
           __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
#else
    return false;
#endif
}

std::atomic<bool>& WideOn()
{
    static std::atomic<bool> on{ProcessorHasWide()};
    return on;
}

} // namespace

bool SjisWideEnabled()
{
    return WideOn().load(std::memory_order_relaxed);
}

void SetSjisWide(bool on)
{
    WideOn().store(on && ProcessorHasWide(), std::memory_order_relaxed);
}

} // namespace jconvert
