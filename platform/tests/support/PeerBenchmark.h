// Side-by-side speed comparisons with a peer library, in one process: ours and the peer's
// work alternate within every iteration, so a shared machine's changing clock and memory
// speed fall on both alike, and the ratio of their times is what a run reports.
#ifndef PLATFORM_TESTS_SUPPORT_PEER_BENCHMARK_H_
#define PLATFORM_TESTS_SUPPORT_PEER_BENCHMARK_H_

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace PeerBenchmark {

// The work one side does for one sample: draw one frame, decode one picture, ...
using Work = std::function<void ()>;

// Times Ours and Peer once each per iteration of State, alternating which goes first so
// neither always inherits the other's cache and memory traffic. Work shorter than a few
// microseconds is repeated within a sample so the clock's own cost does not count. Reports
// the medians of one call in microseconds (ours_us, peer_us) and ratio = ours / peer (below
// 1: ours is faster); medians, because a stray interruption moves a mean but not a median.
void Compare (benchmark::State &State, const Work &Ours, const Work &Peer);

// Registers a comparison as "Peer/<Name>": the prefix scripts/bench.sh runs and tabulates.
// Setup reads the arguments (if any) and calls Compare.
benchmark::internal::Benchmark *Register (const std::string &Name,
                                          const std::function<void (benchmark::State &)> &Setup);

}  // namespace PeerBenchmark

#endif  // PLATFORM_TESTS_SUPPORT_PEER_BENCHMARK_H_
