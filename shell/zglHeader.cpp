// SPDX-License-Identifier: Zlib
#include "shell/zglHeader.h"
#include "shell/uLibraryFile.h"
#include "common/fileKind.h"
#include "common/printable.h"
#include "shell/uSignals.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <signal.h>
#include <spawn.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif
#ifdef __linux__
#include <link.h>
#endif
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif
extern char** environ;
#endif

namespace zgl {

Table api;

std::string PlatformLibraryName(const std::string& name) {
#ifdef _WIN32
  return name;
#else
#ifdef __APPLE__
  const char* suffix = ".dylib";
#else
  const char* suffix = ".so";
#endif
  auto EndsWithDll = [](const std::string& s) {
    if (s.size() < 4) return false;
    std::string tail = s.substr(s.size() - 4);
    for (char& c : tail) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".dll";
  };
  if (!EndsWithDll(name)) return name;
  size_t slash = name.find_last_of('/');
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::string stem = name.substr(start, name.size() - 4 - start);
  return name.substr(0, start) + "lib" + stem + suffix;
#endif
}

}  // namespace zgl

namespace {

const char* const kLoadErrorText = "Error while loading ZenGL";
const char* const kLoadErrorCaption = "Error";

// One line on stderr; names and the system's words in it shown printable.
void Say(const std::string& line) {
  std::fprintf(stderr, "zglHeader: %s\n", Printable(line, 1000).c_str());
}

#ifdef _WIN32

void ShowLoadError() {
  MessageBoxA(nullptr, kLoadErrorText, kLoadErrorCaption, MB_ICONERROR | MB_OK);
}

void* OpenLibrary(const std::string& name) {
  // The application's folder and the system folders, never the working directory.
  return reinterpret_cast<void*>(LoadLibraryExA(
      name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
}

void* FindSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

#else

#ifndef __EMSCRIPTEN__
bool HasDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

// The absolute entries of a colon-separated list of folders, in order. An
// empty or relative entry would mean the working directory: left out.
std::vector<std::string> AbsoluteFolders(const char* list) {
  std::vector<std::string> folders;
  if (!list) return folders;
  const std::string text = list;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(':', start);
    if (end == std::string::npos) end = text.size();
    if (end > start && text[start] == '/') folders.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

// The absolute path of a program found on PATH, "" if none.
std::string FindProgram(const char* program) {
  for (const std::string& folder : AbsoluteFolders(std::getenv("PATH"))) {
    std::string candidate = folder + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// Runs a dialog program and waits until the player has closed it, or until a
// stop comes: the dialog then goes with the game.
void RunDialog(const std::string& program, std::vector<const char*> argv) {
  argv.insert(argv.begin(), program.c_str());
  argv.push_back(nullptr);
  // The dialog takes the stops as any program does (the game holds them).
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid;
  const int failed =
      posix_spawn(&pid, program.c_str(), nullptr, &attributes, const_cast<char* const*>(argv.data()), environ);
  posix_spawnattr_destroy(&attributes);
  if (failed) return;
  int status = 0;
  for (int sinceStop = -1;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return;
    if (sinceStop < 0 && StopPending()) {
      kill(pid, SIGTERM);
      sinceStop = 0;
    } else if (sinceStop >= 0 && sinceStop < 1000 && (sinceStop += 10) >= 1000) {
      kill(pid, SIGKILL);  // a dialog that does not take the hint
    }
    const timespec step{0, 10'000'000};
    nanosleep(&step, nullptr);
  }
}

#endif

#ifdef __EMSCRIPTEN__
// The page's own dialog, where it has one; the browser's alert otherwise.
EM_JS(void, ShowPageDialog, (const char* caption, const char* text), {
  if (Module["showDialog"])
    Module["showDialog"](UTF8ToString(caption), UTF8ToString(text));
  else
    alert(UTF8ToString(text));
});

void ShowLoadError() {
  std::fprintf(stderr, "%s: %s\n", kLoadErrorCaption, kLoadErrorText);
  ShowPageDialog(kLoadErrorCaption, kLoadErrorText);
}
#else
// The stand-in for a modal message box: always on stderr, and as a dialog
// where a display exists and a dialog program is installed. Without a display
// it never waits for anyone.
void ShowLoadError() {
  std::fprintf(stderr, "%s: %s\n", kLoadErrorCaption, kLoadErrorText);
  std::fflush(stderr);
  // A player who has asked the game to stop is not kept waiting on a dialog.
  if (!HasDisplay() || StopPending()) return;
  if (std::string zenity = FindProgram("zenity"); !zenity.empty()) {
    RunDialog(zenity, {"--error", "--title=Error", "--text=Error while loading ZenGL"});
  } else if (std::string kdialog = FindProgram("kdialog"); !kdialog.empty()) {
    RunDialog(kdialog, {"--title", kLoadErrorCaption, "--error", kLoadErrorText});
  } else if (std::string xmessage = FindProgram("xmessage"); !xmessage.empty()) {
    RunDialog(xmessage, {"-center", "-title", kLoadErrorCaption, "-buttons", "OK:0", kLoadErrorText});
  }
}
#endif

// The folder of the running executable, with its trailing '/'; "" when it
// cannot be told, and then `why` says why.
std::string ExecutableFolder(std::string& why) {
  std::string path;
#if defined(__EMSCRIPTEN__)
  // The page's file system holds the game's files at its top, the engine among them.
  path = "/stealthbox";
#elif defined(__APPLE__)
  char buffer[4096];
  uint32_t size = sizeof buffer;
  if (_NSGetExecutablePath(buffer, &size) == 0) path = buffer;
  else why = "its path is longer than " + std::to_string(sizeof buffer) + " bytes";
#else
  // No limit of our own: the system says when a path is past its own.
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) {
      why = std::string("/proc/self/exe: ") + std::strerror(errno);
      return {};
    }
    if (size_t(n) < buffer.size()) {
      path.assign(buffer.data(), size_t(n));
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
#endif
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    if (why.empty()) why = "'" + path + "' names no folder";
    return {};
  }
  return path.substr(0, slash + 1);
}

// The descriptor of the loaded engine's file, kept open with it: the loader
// and anything that reads the library's name later (a debugger, the
// sanitizers' symbolizer) find the very file through it.
int engineFile = -1;

// Opens one candidate: once, without waiting (a FIFO would wait for a
// writer), read once into a private copy that nothing can change (where the
// system has such copies), checked whole and tried by the loader in a child
// process, and handed to the loader through that copy's descriptor, so that
// no other file can stand in between the check and the loading, nor a copy
// rewritten while the game runs reach into it. Null if it is not there
// (`missing`) or is refused, which is said on stderr.
void* TryOpen(const std::string& path, bool& missing) {
  missing = false;
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    missing = errno == ENOENT || errno == ENOTDIR;
    if (!missing) Say("passed over " + path + ": " + filekind::OpenError(errno));
    return nullptr;
  }
  struct stat info;
  std::string why = fstat(fd, &info) != 0 ? std::strerror(errno) : !S_ISREG(info.st_mode) ? filekind::KindOf(info.st_mode) : "";
  if (why.empty()) {
    const int copy = SealedCopy(fd, path, static_cast<unsigned long long>(info.st_size), why);
    if (copy >= 0) close(fd), fd = copy;
  }
  if (why.empty()) why = CheckLibraryFile(fd);
  // The loader opens /proc/<pid>/fd/<n>: the checked file itself, whatever
  // has been put under its name since. (Through the pid, not "self", so that
  // other programs that are handed the name read the same file.) A system
  // without /proc leaves only the name to hand over; the executable's folder
  // is unknown there too, so only the library search's folders are tried.
  const std::string own = "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(fd);
  const bool throughDescriptor = access(own.c_str(), F_OK) == 0;
  const std::string loaded = throughDescriptor ? own : path;
  if (why.empty()) why = TrialLoad(loaded);
  if (!why.empty()) {
    Say("passed over " + path + ": " + why);
    close(fd);
    return nullptr;
  }
  void* handle = dlopen(loaded.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = dlerror();
    std::string said = error ? error : "the loader refused it";
    if (said.rfind(own + ": ", 0) == 0) said.erase(0, own.size() + 2);
    Say("cannot load " + path + ": " + said);
    close(fd);
    return nullptr;
  }
  engineFile = fd;
  return handle;
}

#ifdef __linux__
// The folders named in the dynamic linker's configuration (those of its cache),
// following its include lines.
void ReadLinkerConfig(const std::string& file, std::vector<std::string>& folders, int depth = 0) {
  std::ifstream in(file);
  for (std::string line; depth < 8 && std::getline(in, line);) {
    line = line.substr(0, line.find('#'));
    const size_t first = line.find_first_not_of(" \t"), last = line.find_last_not_of(" \t");
    if (first == std::string::npos) continue;
    line = line.substr(first, last - first + 1);
    if (line.rfind("include", 0) == 0 && line.size() > 7 && (line[7] == ' ' || line[7] == '\t')) {
      std::string pattern = line.substr(line.find_first_not_of(" \t", 7));
      if (pattern[0] != '/') pattern = file.substr(0, file.find_last_of('/') + 1) + pattern;
      glob_t found{};
      if (glob(pattern.c_str(), 0, nullptr, &found) == 0)
        for (size_t i = 0; i < found.gl_pathc; ++i) ReadLinkerConfig(found.gl_pathv[i], folders, depth + 1);
      globfree(&found);
    } else if (line[0] == '/') {
      folders.push_back(line);
    }
  }
}
#endif

// Where the system looks for shared libraries, as absolute folders in its
// order: LD_LIBRARY_PATH, the program's own run path, the linker's
// configured and default folders.
std::vector<std::string> LibraryFolders() {
  std::vector<std::string> folders;
#if defined(__EMSCRIPTEN__)
  // A page has no system libraries: the engine comes with the game or not at all.
#elif defined(__GLIBC__) || defined(RTLD_DI_SERINFO)
  // The dynamic linker's own list, as it read LD_LIBRARY_PATH at start-up
  // (where an empty entry already stands for "."), without its cache.
  if (void* self = dlopen(nullptr, RTLD_NOW)) {
    Dl_serinfo size;
    if (dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0) {
      std::vector<std::max_align_t> buffer(size.dls_size / sizeof(std::max_align_t) + 1);
      auto* info = reinterpret_cast<Dl_serinfo*>(buffer.data());
      *info = size;
      if (dlinfo(self, RTLD_DI_SERINFO, info) == 0)
        for (unsigned i = 0; i < info->dls_cnt; ++i)
          if (info->dls_serpath[i].dls_name[0] == '/') folders.push_back(info->dls_serpath[i].dls_name);
    }
    dlclose(self);
  }
#else
#ifdef __APPLE__
  folders = AbsoluteFolders(std::getenv("DYLD_LIBRARY_PATH"));
#else
  folders = AbsoluteFolders(std::getenv("LD_LIBRARY_PATH"));
#endif
  for (const char* folder : {"/usr/local/lib", "/usr/lib", "/lib"}) folders.push_back(folder);
#endif
#ifdef __linux__
  ReadLinkerConfig("/etc/ld.so.conf", folders);
#endif
  std::vector<std::string> once;
  for (std::string& f : folders)
    if (std::find(once.begin(), once.end(), f) == once.end()) once.push_back(std::move(f));
  return once;
}

// The executable's folder first, then each absolute folder of the system's
// search by full path. A bare name is never handed to dlopen: its search
// would follow an empty or relative LD_LIBRARY_PATH entry into the working
// directory, and merely opening a library there runs its code. A name with
// a slash is taken as the caller's own path. A copy that is there but
// refused is passed over like a missing one.
void* OpenLibrary(const std::string& name) {
  std::string file = zgl::PlatformLibraryName(name);
  bool missing = false;
  if (file.find('/') != std::string::npos) {
    void* handle = TryOpen(file, missing);
    if (missing) Say("no " + file);
    return handle;
  }
  std::vector<std::string> folders = LibraryFolders();
  std::string whyNoFolder;
  const std::string own = ExecutableFolder(whyNoFolder);
  if (!own.empty()) folders.insert(folders.begin(), own);
  for (const std::string& folder : folders) {
    std::string path = folder + (folder.back() == '/' ? "" : "/") + file;
    if (void* handle = TryOpen(path, missing)) return handle;
  }
  if (own.empty())
    Say("cannot tell the executable's own folder (" + whyNoFolder + "), so none beside it; no usable " + file +
        " in the system's library folders either");
  else
    Say("no usable " + file + " beside the executable or in the system's library folders");
  return nullptr;
}

void* FindSymbol(void* handle, const char* name) { return dlsym(handle, name); }

void CloseLibrary(void* handle) {
  dlclose(handle);
  if (engineFile >= 0) close(engineFile);
  engineFile = -1;
}

#endif

template <class Proc>
bool Bind(void* library, const char* name, Proc& entry) {
  void* symbol = FindSymbol(library, name);
  entry = reinterpret_cast<Proc>(symbol);
  if (!symbol) Say(std::string("the engine library lacks the entry point ") + name);
  return symbol != nullptr;
}

// Kept for the life of the process: the table points into it.
void* engineLibrary = nullptr;

}  // namespace

bool LoadEngine(const char* name, bool showError) {
  zgl::api = {};
  void* library = name ? OpenLibrary(name) : nullptr;
  bool complete = library != nullptr;
  if (library) {
    zgl::Table table;
#define ZGL_BIND(ret, op, params, args) complete = Bind(library, #op, table.op) && complete;
    ZGL_OPERATIONS(ZGL_BIND)
#undef ZGL_BIND
    if (complete) {
      zgl::api = table;
      engineLibrary = library;
    } else {
      CloseLibrary(library);
    }
  }
  if (!complete && showError) ShowLoadError();
  return complete;
}
