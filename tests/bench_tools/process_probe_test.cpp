// SPDX-License-Identifier: Zlib
// The probe measured against programs of known cost: a spinning one uses a
// whole core, a sleeping one next to nothing, one that holds 64 MB peaks
// above that, and a program that ends early is reported, not measured.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {

struct Result {
  int status = -1;
  std::map<std::string, std::string> fields;
  double Number(const std::string& key) const {
    auto it = fields.find(key);
    return it == fields.end() ? -1 : std::stod(it->second);
  }
};

// Runs the probe with `args`; `env` (NAME=value ...) goes to the probe and so
// to the program it runs.
Result Probe(const std::string& args, const std::string& env = "") {
  const std::string command = env + " " + std::string(PROBE_PATH) + " " + args;
  Result r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  std::string out;
  std::array<char, 256> buffer{};
  while (fgets(buffer.data(), int(buffer.size()), pipe)) out += buffer.data();
  r.status = pclose(pipe);
  std::istringstream words(out);
  std::string word;
  while (words >> word) {
    const size_t eq = word.find('=');
    if (eq != std::string::npos) r.fields[word.substr(0, eq)] = word.substr(eq + 1);
  }
  return r;
}

const std::string kTarget = std::string(" -- ") + TARGET_PATH;

// The CPU seconds the target says it used, read from its report file.
double ReportedCpu(const std::string& path) {
  double seconds = -1;
  if (FILE* f = std::fopen(path.c_str(), "r")) {
    if (std::fscanf(f, "%lf", &seconds) != 1) seconds = -1;
    std::fclose(f);
  }
  std::remove(path.c_str());
  return seconds;
}

TEST(ProcessProbe, MeasuresCpuAsAShareOfOneCore) {
  const std::string report = testing::TempDir() + "probe_target_cpu";
  struct Case {
    const char* mode;
    double atLeastPct, atMostPct;  // loose bounds; the exact check is against the report
  };
  // The spinning one may share its core with other work on a busy machine, so that its share
  // can fall well below a whole core: the exact check is what it measured itself.
  for (const Case& c : {Case{"busy", 1, 105}, Case{"idle", 0, 5}}) {
    const Result r = Probe("--name " + std::string(c.mode) + " --seconds 1.5" + kTarget + " " + c.mode,
                           "PROBE_TARGET_REPORT=" + report);
    ASSERT_EQ(r.status, 0) << c.mode;
    EXPECT_EQ(r.fields.at("name"), c.mode);
    EXPECT_EQ(r.Number("clean_exit"), 1) << c.mode;  // it stopped on SIGTERM
    const double pct = r.Number("cpu_pct");
    EXPECT_GE(pct, c.atLeastPct) << c.mode;
    EXPECT_LE(pct, c.atMostPct) << c.mode;
    // What the probe read from /proc agrees with what the program measured
    // itself, to a few clock ticks (it runs on briefly after the last sample).
    const double reported = ReportedCpu(report);
    ASSERT_GE(reported, 0) << c.mode;
    EXPECT_NEAR(pct / 100 * r.Number("seconds"), reported, 0.06) << c.mode;
  }
}

TEST(ProcessProbe, ReportsPeakResidentMemory) {
  const Result small = Probe("--seconds 1.2" + kTarget + " idle");
  ASSERT_EQ(small.status, 0);
  // On a busy machine the program may not have touched all 64 MB by the end of a short
  // measure: measured again, for longer each time.
  Result held;
  for (const char* seconds : {"1.2", "4", "12"}) {
    held = Probe(std::string("--seconds ") + seconds + kTarget + " hold 64");
    if (held.status != 0 || held.Number("peak_rss_kb") > 64 * 1024) break;
  }
  ASSERT_EQ(held.status, 0);
  EXPECT_GT(held.Number("peak_rss_kb"), 64 * 1024);
  EXPECT_GT(held.Number("peak_rss_kb") - small.Number("peak_rss_kb"), 60 * 1024);
}

TEST(ProcessProbe, RefusesWhatItCannotMeasure) {
  struct Case {
    const char* what;
    std::string args;
  };
  const Case cases[] = {
      {"ends early", "--seconds 1.5" + kTarget + " exit 0"},
      {"cannot be run", "--seconds 1.5 -- /nonexistent/program"},
      {"no program", "--seconds 1.5 --"},
      {"run too short to measure", "--seconds 0.5" + kTarget + " idle"},
      {"unknown option", "--bogus" + kTarget + " idle"},
  };
  for (const Case& c : cases) {
    const Result r = Probe(c.args);
    EXPECT_NE(r.status, 0) << c.what;
    EXPECT_EQ(r.fields.count("cpu_pct"), 0u) << c.what;
  }
}

}  // namespace
