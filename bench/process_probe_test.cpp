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

Result Probe(const std::string& args) {
  const std::string command = std::string(PROBE_PATH) + " " + args;
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

TEST(ProcessProbe, MeasuresCpuAsAShareOfOneCore) {
  const Result busy = Probe("--name busy --seconds 1.5" + kTarget + " busy");
  ASSERT_EQ(busy.status, 0);
  EXPECT_EQ(busy.fields.at("name"), "busy");
  // One spinning thread: close to a whole core, never more than one.
  EXPECT_GT(busy.Number("cpu_pct"), 50);
  EXPECT_LT(busy.Number("cpu_pct"), 105);
  EXPECT_EQ(busy.Number("clean_exit"), 1);  // it stopped on SIGTERM

  const Result idle = Probe("--name idle --seconds 1.5" + kTarget + " idle");
  ASSERT_EQ(idle.status, 0);
  EXPECT_GE(idle.Number("cpu_pct"), 0);
  EXPECT_LT(idle.Number("cpu_pct"), 5);
}

TEST(ProcessProbe, ReportsPeakResidentMemory) {
  const Result small = Probe("--seconds 1.2" + kTarget + " idle");
  const Result held = Probe("--seconds 1.2" + kTarget + " hold 64");
  ASSERT_EQ(small.status, 0);
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
