#include "PeerBenchmark.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace PeerBenchmark {

namespace {

// A sample should last this long at least, so the clock's cost is noise beside it.
const double kMinSampleSeconds = 20e-6;

double Seconds (const Work &W, int Calls)
{
  auto Start = std::chrono::steady_clock::now ();
  for (int I = 0; I < Calls; I++) {
    W ();
  }
  benchmark::ClobberMemory ();
  return std::chrono::duration<double> (std::chrono::steady_clock::now () - Start).count ();
}

double Median (std::vector<double> &V)
{
  if (V.empty ()) {
    return 0;
  }
  std::nth_element (V.begin (), V.begin () + (long)(V.size () / 2), V.end ());
  return V[V.size () / 2];
}

// How many calls make one sample: one unless a call is shorter than the minimum sample.
int CallsPerSample (const Work &W)
{
  double One = Seconds (W, 1);  // also warms the caches and fills lazily allocated memory
  One = std::min (One, Seconds (W, 1));
  if (One >= kMinSampleSeconds) {
    return 1;
  }
  return (int)std::min (10000.0, kMinSampleSeconds / std::max (One, 1e-9)) + 1;
}

}  // namespace

void Compare (benchmark::State &State, const Work &Ours, const Work &Peer)
{
  // Both sides make the same number of calls per sample, enough for the quicker one.
  int Calls = std::max (CallsPerSample (Ours), CallsPerSample (Peer));
  std::vector<double> OursTimes, PeerTimes;
  bool OursFirst = true;
  for (auto _ : State) {
    if (OursFirst) {
      OursTimes.push_back (Seconds (Ours, Calls));
      PeerTimes.push_back (Seconds (Peer, Calls));
    } else {
      PeerTimes.push_back (Seconds (Peer, Calls));
      OursTimes.push_back (Seconds (Ours, Calls));
    }
    OursFirst = !OursFirst;
  }
  double OursMedian = Median (OursTimes) / Calls, PeerMedian = Median (PeerTimes) / Calls;
  State.counters["ours_us"] = OursMedian * 1e6;
  State.counters["peer_us"] = PeerMedian * 1e6;
  State.counters["ratio"] = PeerMedian > 0 ? OursMedian / PeerMedian : 0;
}

benchmark::internal::Benchmark *Register (const std::string &Name,
                                          const std::function<void (benchmark::State &)> &Setup)
{
  return benchmark::RegisterBenchmark (("Peer/" + Name).c_str (), [Setup] (benchmark::State &State) {
    Setup (State);
  })->Unit (benchmark::kMillisecond);
}

}  // namespace PeerBenchmark
