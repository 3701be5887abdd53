// SPDX-License-Identifier: Zlib
// The console report of the benchmarks plus, at the end, every figure held
// against its target: met or MISSED, with the measured value beside it.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace benchreport {

class Reporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal, so that a saved report reads cleanly.
  Reporter();
  void ReportRuns(const std::vector<Run>& runs) override;
  // Writes the summary; returns false when a target was missed.
  bool Summarise();

 private:
  struct Figures {
    std::map<std::string, double> counters;
    double realNs = 0;  // per iteration
  };
  const Figures* Find(const std::string& name) const;
  std::map<std::string, Figures> runs_;
  std::vector<std::string> order_;
};

}  // namespace benchreport
