#include "shell/zglHeader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __APPLE__
#include <mach-o/dyld.h>
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

bool HasDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

// The absolute path of a program found on PATH; empty or relative entries
// would mean the working directory and are skipped.
std::string FindProgram(const char* program) {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::string dirs = path;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + program;
    if (candidate[0] == '/' && access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// Runs a dialog program and waits until the player has closed it.
void RunDialog(const std::string& program, std::vector<const char*> argv) {
  argv.insert(argv.begin(), program.c_str());
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, const_cast<char* const*>(argv.data()), environ) != 0)
    return;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

// The stand-in for a modal message box: always on stderr, and as a dialog
// where a display exists and a dialog program is installed. Without a display
// it never waits for anyone.
void ShowLoadError() {
  std::fprintf(stderr, "%s: %s\n", kLoadErrorCaption, kLoadErrorText);
  std::fflush(stderr);
  if (!HasDisplay()) return;
  if (std::string zenity = FindProgram("zenity"); !zenity.empty()) {
    RunDialog(zenity, {"--error", "--title=Error", "--text=Error while loading ZenGL"});
  } else if (std::string kdialog = FindProgram("kdialog"); !kdialog.empty()) {
    RunDialog(kdialog, {"--title", kLoadErrorCaption, "--error", kLoadErrorText});
  } else if (std::string xmessage = FindProgram("xmessage"); !xmessage.empty()) {
    RunDialog(xmessage, {"-center", "-title", kLoadErrorCaption, "-buttons", "OK:0", kLoadErrorText});
  }
}

std::string ExecutableFolder() {
  std::string path;
#ifdef __APPLE__
  char buffer[4096];
  uint32_t size = sizeof buffer;
  if (_NSGetExecutablePath(buffer, &size) == 0) path = buffer;
#else
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) path.assign(buffer, size_t(n));
#endif
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

void* TryOpen(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    std::fprintf(stderr, "zglHeader: %s\n", why ? why : path.c_str());
  }
  return handle;
}

// The executable's folder first, then the system's search. A bare name given
// to dlopen is never looked up in the working directory; a name with a slash
// is taken as the caller's own path.
void* OpenLibrary(const std::string& name) {
  std::string file = zgl::PlatformLibraryName(name);
  if (file.find('/') != std::string::npos) return TryOpen(file);
  std::string folder = ExecutableFolder();
  if (!folder.empty() && access((folder + file).c_str(), F_OK) == 0) {
    if (void* handle = TryOpen(folder + file)) return handle;
  }
  return TryOpen(file);
}

void* FindSymbol(void* handle, const char* name) { return dlsym(handle, name); }

void CloseLibrary(void* handle) { dlclose(handle); }

#endif

template <class Proc>
bool Bind(void* library, const char* name, Proc& entry) {
  void* symbol = FindSymbol(library, name);
  entry = reinterpret_cast<Proc>(symbol);
  if (!symbol) std::fprintf(stderr, "zglHeader: the engine library lacks the entry point %s\n", name);
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
