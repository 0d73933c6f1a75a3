#pragma once
// The benchmarks of a program run with their usual report, and each run's
// time per iteration kept by name, for the bounds a program then checks.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace pq::bench {

class TimedRuns : public benchmark::ConsoleReporter {
 public:
  enum class Clock { Cpu, Real };

  // Runs the benchmarks the command line selects.
  static TimedRuns Measure(int* argc, char** argv, Clock clock) {
    benchmark::Initialize(argc, argv);
    TimedRuns runs(clock);
    benchmark::RunSpecifiedBenchmarks(&runs);
    return runs;
  }

  // Seconds per iteration of the named run; 0 for one that did not run.
  double operator()(const std::string& name) const {
    const auto found = seconds_.find(name);
    return found == seconds_.end() ? 0.0 : found->second;
  }

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration)
        seconds_[run.benchmark_name()] =
            clock_ == Clock::Cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  explicit TimedRuns(Clock clock) : clock_(clock) {}
  Clock clock_;
  std::map<std::string, double> seconds_;
};

}  // namespace pq::bench
