// SPDX-License-Identifier: Zlib
// Binding the engine: the real loader against shared doubles of the engine,
// and the real executable started from temporary folders.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "shell/zglHeader.h"

namespace fs = std::filesystem;

namespace {

const char* const kMessage = "Error while loading ZenGL";

// How many of the engine's operations the table has bound.
int Bound() {
  int bound = 0;
#define COUNT_BOUND(ret, name, params, args) bound += zgl::api.name != nullptr;
  ZGL_OPERATIONS(COUNT_BOUND)
#undef COUNT_BOUND
  return bound;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

using e2e::ReadFile;  // (a path stands for its string)

TEST(PlatformLibraryName, MapsATrailingDllToTheSharedLibraryName) {
  for (auto [name, mapped] : std::vector<std::pair<std::string, std::string>>{
           {"ZenGL.dll", "libZenGL.so"}, {"ZenGL.DLL", "libZenGL.so"}, {"/opt/x/ZenGL.dll", "/opt/x/libZenGL.so"},
           {"libZenGL.so", "libZenGL.so"}, {".dll", "lib.so"}, {"dll", "dll"}})
    EXPECT_EQ(zgl::PlatformLibraryName(name), mapped) << name;
}

TEST(LoadEngine, BindsAllEntriesFromTheLibraryBesideTheExecutable) {
  testing::internal::CaptureStderr();
  ASSERT_TRUE(LoadEngine("FakeZgl.dll", false));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(Bound(), zgl::kOperationCount);
  EXPECT_EQ(zgl::m_Distance(0, 0, 3, 4), 5.0f);
}

TEST(LoadEngine, LibraryLackingAnEntryCountsAsNotLoaded) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(LoadEngine("FakeZglMissing.dll", false));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("m_Distance"), std::string::npos) << err;
  EXPECT_EQ(Count(err, "lacks"), 1u);
  EXPECT_EQ(err.find(kMessage), std::string::npos);  // not asked to show it
  EXPECT_EQ(Bound(), 0);
}

TEST(LoadEngine, MissingLibraryShowsNothingWhenNotAskedTo) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(LoadEngine("NoSuchEngine.dll", false));
  EXPECT_EQ(testing::internal::GetCapturedStderr().find(kMessage), std::string::npos);
  EXPECT_EQ(Bound(), 0);
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
  void TearDown() override {
    // The deep folders are past what a path may name: GNU rm walks them by descriptor.
    const std::string rm = "rm -rf '" + root.string() + "'";
    if (std::system(rm.c_str()) != 0) fs::remove_all(root);
  }

  void PlaceLibrary(const char* dir, const char* from = FAKE_LIB_PATH) {
    fs::copy_file(from, root / dir / "libZenGL.so");
  }

  struct Result {
    int exitCode = -1;
    int signal = 0;  // the one that ended it (SIGKILL at the deadline), if one did
    std::string err, log;
  };

  // No display, so that a failure never waits for a dialog; the double logs
  // to a file and runs a few ticks. With `deepFolders`, the executable is
  // started from a copy that many long folders down, past the length of path
  // the system can tell.
  Result Run(const std::vector<std::string>& extraEnv = {}, int deepFolders = 0) {
    e2e::SpawnOptions o;
    o.env = {{"FAKE_ZGL_LOG", (root / "log").string()}, {"FAKE_ZGL_TICKS", "3"}};
    if (const char* path = std::getenv("PATH")) o.env["PATH"] = path;
    for (const std::string& e : extraEnv) o.env[e.substr(0, e.find('='))] = e.substr(e.find('=') + 1);
    o.pidVariable = "FAKE_ZGL_PID";
    o.stderrPath = (root / "stderr").string();
    o.argv = {(root / "exe" / "stealthbox").string()};
    int folder = open((root / "cwd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (deepFolders > 0) {
      // One folder at a time, each reached from the last: no path here is ever that long.
      const std::string name(200, 'd');
      for (int i = 0; i < deepFolders && folder >= 0; ++i) {
        mkdirat(folder, name.c_str(), 0755);
        const int deeper = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(folder);
        folder = deeper;
      }
      const std::string exe = ReadFile(o.argv[0]);
      const int copy = openat(folder, "stealthbox", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
      const bool written = copy >= 0 && write(copy, exe.data(), exe.size()) == ssize_t(exe.size());
      if (copy >= 0) close(copy);
      if (!written) ADD_FAILURE() << "cannot copy the executable down the deep folders";
      o.argv = {"./stealthbox"};
    }
    o.cwdFd = folder;
    Result r;
    {
      e2e::Process game(o);
      close(folder);
      // A generous deadline: a game that waits on a file fails here instead of hanging the test.
      std::optional<e2e::ExitStatus> status = game.Wait(std::chrono::seconds(30));
      if (!status) game.KillGroup(), status = game.Wait(std::chrono::seconds(5));
      if (status && status->exited) r.exitCode = status->code;
      if (!status || status->signal) r.signal = status ? status->signal : SIGKILL;
    }
    r.err = ReadFile(root / "stderr");
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
  PlaceLibrary("cwd");  // and an engine there, never loaded either
  Result r = Run({"DISPLAY=:0", "PATH=:.:" + (root / "bin").string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Count(r.err, kMessage), 1u) << r.err;
  EXPECT_EQ(ReadFile(notes), "-center -title Error -buttons OK:0 Error while loading ZenGL\nclosed\n");
  EXPECT_EQ(r.log, "");
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

// What an interrupted copy, a full disk or a stranger leaves under the engine's
// name: refused before the system's loader maps it (a cut library would fault
// inside the loader), like a missing one, with what is wrong said. (The play
// tests cut the real engine at 5 %, 50 % and one byte short, and put a FIFO there.)
TEST_F(StealthRun, ADamagedEngineIsRefusedLikeAMissingOne) {
  const std::string whole = ReadFile(FAKE_LIB_PATH);
  ASSERT_GT(whole.size(), 10000u);
  std::string otherMachine = whole, otherWordSize = whole;
  otherMachine[18] = char(otherMachine[18] ^ 0x7F);  // e_machine, low byte
  otherWordSize[4] = otherWordSize[4] == 2 ? 1 : 2;   // EI_CLASS
  std::string bigEndian = whole;
  bigEndian[5] = 2;  // EI_DATA
  const struct {
    const char* what;
    std::string bytes;
    const char* said;
  } cases[] = {
      {"its first 10000 bytes", whole.substr(0, 10000), "is cut short"},
      {"one byte short", whole.substr(0, whole.size() - 1), "is cut short"},
      {"empty", "", "is cut short"},
      {"another machine's", otherMachine, "is built for another machine"},
      {"another word size's", otherWordSize, "is built for another machine"},
      {"big-endian", bigEndian, "is built for big-endian machines; this game runs on little-endian ones"},
      {"not a library", "#!/bin/sh\necho planted\n", "is not a shared library"},
  };
  const fs::path lib = root / "exe" / "libZenGL.so";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(lib);
    std::ofstream(lib, std::ios::binary) << c.bytes;
    Result r = Run();
    EXPECT_EQ(r.signal, 0) << strsignal(r.signal);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(Count(r.err, kMessage), 1u) << r.err;
    EXPECT_NE(r.err.find("passed over " + lib.string() + ": " + c.said), std::string::npos) << r.err;
    EXPECT_EQ(r.log, "") << "the library ran";
  }
  fs::remove(lib);
  fs::create_directory(lib);
  Result r = Run();
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find(lib.string() + ": is a folder"), std::string::npos) << r.err;
  // Refused like a missing one: the system's search goes on.
  fs::remove(lib);
  std::ofstream(lib, std::ios::binary) << whole.substr(0, whole.size() / 2);
  PlaceLibrary("sys");
  r = Run({"LD_LIBRARY_PATH=" + (root / "sys").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(LogLines(r.log).at(0), "loaded " + (root / "sys" / "libZenGL.so").string());
}

// When the executable's own folder cannot be told, the message says so and why,
// and the system's folders are still searched.
TEST_F(StealthRun, AnOwnFolderPastThePathLimitIsSaidAndTheSystemSearchGoesOn) {
  constexpr int kDeep = 24;  // 24 folders of 200 characters: past the 4096 of a path
  Result r = Run({}, kDeep);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("cannot tell the executable's own folder (/proc/self/exe: " + std::string(strerror(ENAMETOOLONG))),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("beside the executable or"), std::string::npos) << "not what went wrong: " << r.err;
  PlaceLibrary("sys");
  r = Run({"LD_LIBRARY_PATH=" + (root / "sys").string()}, kDeep);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(LogLines(r.log).at(0), "loaded " + (root / "sys" / "libZenGL.so").string());
}

// An empty or relative LD_LIBRARY_PATH entry stands for the working folder:
// never searched, while the absolute entries still are: the system's search finds
// the engine when nothing lies beside the executable.
TEST_F(StealthRun, EmptyOrRelativeLibraryPathEntriesAreNeverSearched) {
  PlaceLibrary("cwd");
  PlaceLibrary("sys");
  const std::string sys = (root / "sys").string();
  // An empty entry is what `export LD_LIBRARY_PATH=$LD_LIBRARY_PATH:/x` leaves behind.
  for (const std::string& list :
       std::vector<std::string>{sys, ":", ".", "/nonexistent:", "/usr/local/lib:", "::" + sys, "./:" + sys}) {
    fs::remove(root / "log");
    Result r = Run({"LD_LIBRARY_PATH=" + list});
    EXPECT_EQ(Count(r.log, (root / "cwd").string()), 0u) << "LD_LIBRARY_PATH=" << list << ": " << r.log;
    const bool sysListed = list.find(sys) != std::string::npos;
    EXPECT_EQ(r.exitCode, sysListed ? 0 : 1) << "LD_LIBRARY_PATH=" << list << ": " << r.err;
    if (sysListed) {
      EXPECT_EQ(LogLines(r.log).at(0), "loaded " + sys + "/libZenGL.so");
    } else {
      EXPECT_EQ(Count(r.err, kMessage), 1u) << "LD_LIBRARY_PATH=" << list << ": " << r.err;
    }
  }
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
