// Fill rates of the plain and SSE2 16- and 32-bit fills over a 1024-pixel row.
#include <benchmark/benchmark.h>

#include <vector>

#include "graphics/core/SkUtils.h"

namespace {

template <typename T, void (*Fill) (T *, T, int)>
void fill_row (benchmark::State &state)
{
    std::vector<T> row (1024 + 8);
    int count = (int)state.range (0);
    for (auto _ : state) {
        Fill (row.data () + 1, (T)0x5A5A5A5A, count);
        benchmark::DoNotOptimize (row.data ());
        benchmark::ClobberMemory ();
    }
    state.SetItemsProcessed (state.iterations () * count);
}

} // namespace

BENCHMARK (fill_row<uint16_t, sk_memset16_portable>)->Arg (7)->Arg (64)->Arg (1024);
BENCHMARK (fill_row<uint16_t, sk_memset16_SSE2>)->Arg (7)->Arg (64)->Arg (1024);
BENCHMARK (fill_row<uint32_t, sk_memset32_portable>)->Arg (7)->Arg (64)->Arg (1024);
BENCHMARK (fill_row<uint32_t, sk_memset32_SSE2>)->Arg (7)->Arg (64)->Arg (1024);

BENCHMARK_MAIN ();
