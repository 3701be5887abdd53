// SPDX-License-Identifier: Zlib
// Binding the engine: the real loader against shared doubles of the engine,
// and the real executable started from temporary folders.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/zglHeader.h"

namespace fs = std::filesystem;

namespace {

const char* const kMessage = "Error while loading ZenGL";

bool TableEmpty() {
  bool empty = true;
#define CHECK_EMPTY(ret, name, params, args) empty = empty && zgl::api.name == nullptr;
  ZGL_OPERATIONS(CHECK_EMPTY)
#undef CHECK_EMPTY
  return empty;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(PlatformLibraryName, MapsATrailingDllToTheSharedLibraryName) {
  EXPECT_EQ(zgl::PlatformLibraryName("ZenGL.dll"), "libZenGL.so");
  EXPECT_EQ(zgl::PlatformLibraryName("ZenGL.DLL"), "libZenGL.so");
  EXPECT_EQ(zgl::PlatformLibraryName("/opt/x/ZenGL.dll"), "/opt/x/libZenGL.so");
  EXPECT_EQ(zgl::PlatformLibraryName("libZenGL.so"), "libZenGL.so");
  EXPECT_EQ(zgl::PlatformLibraryName(".dll"), "lib.so");
  EXPECT_EQ(zgl::PlatformLibraryName("dll"), "dll");
}

TEST(LoadEngine, BindsAllEntriesFromTheLibraryBesideTheExecutable) {
  testing::internal::CaptureStderr();
  ASSERT_TRUE(LoadEngine("FakeZgl.dll", false));
  testing::internal::GetCapturedStderr();
  bool full = true;
#define CHECK_FULL(ret, name, params, args) full = full && zgl::api.name != nullptr;
  ZGL_OPERATIONS(CHECK_FULL)
#undef CHECK_FULL
  EXPECT_TRUE(full);
  EXPECT_EQ(zgl::m_Distance(0, 0, 3, 4), 5.0f);
}

TEST(LoadEngine, LibraryLackingAnEntryCountsAsNotLoaded) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(LoadEngine("FakeZglMissing.dll", false));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("m_Distance"), std::string::npos) << err;
  EXPECT_EQ(Count(err, "lacks"), 1u);
  EXPECT_EQ(err.find(kMessage), std::string::npos);  // not asked to show it
  EXPECT_TRUE(TableEmpty());
}

TEST(LoadEngine, MissingLibraryShowsNothingWhenNotAskedTo) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(LoadEngine("NoSuchEngine.dll", false));
  EXPECT_EQ(testing::internal::GetCapturedStderr().find(kMessage), std::string::npos);
  EXPECT_TRUE(TableEmpty());
}

// The real executable in a folder of its own, started from another folder.
class StealthRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/stealthbox-loader-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = fs::canonical(pattern);
    for (const char* dir : {"exe", "cwd", "sys"}) fs::create_directory(root / dir);
    fs::copy_file(STEALTHBOX_PATH, root / "exe" / "stealthbox");
  }
  void TearDown() override { fs::remove_all(root); }

  void PlaceLibrary(const char* dir, const char* from = FAKE_LIB_PATH) {
    fs::copy_file(from, root / dir / "libZenGL.so");
  }

  struct Result {
    int exitCode = -1;
    std::string err, log;
  };

  // No display, so that a failure never waits for a dialog; the double logs
  // to a file and runs a few ticks.
  Result Run(const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> env = {"FAKE_ZGL_LOG=" + (root / "log").string(), "FAKE_ZGL_TICKS=3"};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    const char* path = std::getenv("PATH");
    if (path && std::none_of(extraEnv.begin(), extraEnv.end(), [](auto& e) { return e.rfind("PATH=", 0) == 0; }))
      env.push_back(std::string("PATH=") + path);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string exe = (root / "exe" / "stealthbox").string();
    const std::string errPath = (root / "stderr").string(), cwd = (root / "cwd").string();
    pid_t pid = fork();
    if (pid == 0) {
      int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int null = open("/dev/null", O_WRONLY);
      if (err < 0 || null < 0 || chdir(cwd.c_str()) != 0) _exit(126);
      dup2(err, 2);
      dup2(null, 1);
      char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
      execve(exe.c_str(), argv, envp.data());
      _exit(127);
    }
    Result r;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.err = ReadFile(errPath);
    r.log = ReadFile(root / "log");
    return r;
  }

  std::vector<std::string> LogLines(const std::string& log) {
    std::vector<std::string> lines;
    std::stringstream s(log);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
  }

  fs::path root;
};

TEST_F(StealthRun, WithoutAnEngineShowsTheMessageOnceAndExitsWithOne) {
  PlaceLibrary("cwd");  // planted where the player starts: never loaded
  Result r = Run();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Count(r.err, kMessage), 1u) << r.err;
  EXPECT_NE(r.err.find("Error"), std::string::npos);
  EXPECT_EQ(r.log, "");
}

TEST_F(StealthRun, WithADisplayTheMessageIsAlsoADialogThatIsWaitedFor) {
  // A stand-in dialog program that notes its arguments, then closes a moment later.
  fs::create_directory(root / "bin");
  const fs::path dialog = root / "bin" / "xmessage", notes = root / "dialog";
  std::ofstream(dialog) << "#!/bin/sh\necho \"$*\" >> '" << notes.string() << "'\n/bin/sleep 0.2\necho closed >> '"
                        << notes.string() << "'\n";
  fs::permissions(dialog, fs::perms::owner_all);
  // One planted where the player starts: empty and relative PATH entries are not searched.
  std::ofstream(root / "cwd" / "xmessage") << "#!/bin/sh\necho planted >> '" << notes.string() << "'\n";
  fs::permissions(root / "cwd" / "xmessage", fs::perms::owner_all);
  Result r = Run({"DISPLAY=:0", "PATH=:.:" + (root / "bin").string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Count(r.err, kMessage), 1u) << r.err;
  EXPECT_EQ(ReadFile(notes), "-center -title Error -buttons OK:0 Error while loading ZenGL\nclosed\n");
}

TEST_F(StealthRun, EngineLackingAnEntryIsRefusedAndNothingIsCalled) {
  PlaceLibrary("exe", FAKE_MISSING_LIB_PATH);
  Result r = Run();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("m_Distance"), std::string::npos) << r.err;
  EXPECT_EQ(Count(r.err, kMessage), 1u);
  const std::vector<std::string> lines = LogLines(r.log);
  ASSERT_EQ(lines.size(), 1u) << r.log;  // loaded, then released without a call
  EXPECT_EQ(lines[0].rfind("loaded ", 0), 0u);
}

TEST_F(StealthRun, LibraryBesideTheExecutableComesFirstAndStartsUpInOrder) {
  PlaceLibrary("exe");
  PlaceLibrary("cwd");
  PlaceLibrary("sys");
  Result r = Run({"LD_LIBRARY_PATH=" + (root / "sys").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::vector<std::string> lines = LogLines(r.log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(Count(r.log, "loaded "), 1u);
  EXPECT_EQ(lines[0], "loaded " + (root / "exe" / "libZenGL.so").string());
  // The start-up calls, the population (its geometry), every material, then the first tick.
  const std::vector<std::string> order = {
      "zgl_Reg(3,proc)", "zgl_Reg(4,proc)", "zgl_Reg(6,proc)", "timer_Add(proc,17)", "wnd_SetCaption(TEST)",
      "scr_SetOptions(800,600,1,0,1)", "wnd_ShowCursor(1)", "zgl_Init(0,0)", "col2d_Rect",
      "tex_LoadFromFile(Data\\Name.PNG,4278190080,1074)", "font_LoadFromFile(Data\\font_1.zfi)",
      "tex_LoadFromFile(Data\\Angle.png,4278190080,1074)", "mouse_X()"};
  auto at = lines.begin();
  for (const std::string& expected : order) {
    at = std::find(at, lines.end(), expected);
    ASSERT_NE(at, lines.end()) << "missing or out of order: " << expected << "\n" << r.log;
  }
  EXPECT_EQ(Count(r.log, "tex_LoadFromFile("), 13u) << "the materials are loaded once";
  EXPECT_EQ(Count(r.log, "key_ClearState()\nmouse_ClearState()\npr2d_Rect(0,0,800,600,13619151,240,65536)"), 3u);
}

// An empty or relative LD_LIBRARY_PATH entry stands for the working folder:
// never searched, while the absolute entries still are.
TEST_F(StealthRun, EmptyOrRelativeLibraryPathEntriesAreNeverSearched) {
  PlaceLibrary("cwd");
  PlaceLibrary("sys");
  const std::string sys = (root / "sys").string();
  for (const std::string& list : std::vector<std::string>{":", ".", "/nonexistent:", "::" + sys, "./:" + sys}) {
    fs::remove(root / "log");
    Result r = Run({"LD_LIBRARY_PATH=" + list});
    EXPECT_EQ(Count(r.log, (root / "cwd").string()), 0u) << "LD_LIBRARY_PATH=" << list << ": " << r.log;
    const bool sysListed = list.find(sys) != std::string::npos;
    EXPECT_EQ(r.exitCode, sysListed ? 0 : 1) << "LD_LIBRARY_PATH=" << list << ": " << r.err;
    if (sysListed) {
      EXPECT_EQ(LogLines(r.log).at(0), "loaded " + sys + "/libZenGL.so");
    }
  }
}

TEST_F(StealthRun, SystemSearchIsUsedWhenNothingLiesBesideTheExecutable) {
  PlaceLibrary("sys");
  Result r = Run({"LD_LIBRARY_PATH=" + (root / "sys").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(LogLines(r.log).at(0), "loaded " + (root / "sys" / "libZenGL.so").string());
}

TEST(StealthBinary, HasNoRunPath) {
  FILE* p = popen((std::string("readelf -d '") + STEALTHBOX_PATH + "' 2>&1").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) out += buf;
  if (pclose(p) != 0) GTEST_SKIP() << "readelf unavailable";
  EXPECT_EQ(out.find("RPATH"), std::string::npos) << out;
  EXPECT_EQ(out.find("RUNPATH"), std::string::npos) << out;
}

}  // namespace
