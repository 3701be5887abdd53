// SPDX-License-Identifier: Zlib
#include "shell/uLibraryFile.h"
#include "shell/uSignals.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif

#if defined(__ELF__) && !defined(_WIN32)

#include <elf.h>
#include <link.h>

// The linker's name for this program's own ELF header, mapped with it: the
// machine and word size a library must be built for.
extern "C" const ElfW(Ehdr) __ehdr_start __attribute__((visibility("hidden")));

namespace {

using Header = ElfW(Ehdr);
using Segment = ElfW(Phdr);
using Section = ElfW(Shdr);

// More than any library has; a count past it is damage, not a table to read.
constexpr uint64_t kMostSections = 65536;

// Reads exactly `bytes`; on failure errno says why, 0 when the file ended first.
bool ReadAt(int fd, void* into, size_t bytes, uint64_t offset) {
  auto* at = static_cast<char*>(into);
  while (bytes > 0) {
    const ssize_t n = pread(fd, at, bytes, off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = 0;
    if (n <= 0) return false;
    at += n, bytes -= size_t(n), offset += uint64_t(n);
  }
  return true;
}

// Why a read of the file's first bytes failed.
std::string ReadFailure(uint64_t size) {
  if (errno == EAGAIN || errno == EWOULDBLOCK) return "would wait for something to read, as a FIFO does";
  if (errno != 0) return std::string("cannot be read: ") + std::strerror(errno);
  return "cannot be read: it ends before the " + std::to_string(size) + " bytes its size says";
}

// The furthest byte the headers name, kept as they are read. A part whose
// end overflows lies past any file.
struct Extent {
  uint64_t end = 0;
  void Cover(uint64_t offset, uint64_t bytes) {
    uint64_t last;
    if (__builtin_add_overflow(offset, bytes, &last)) last = UINT64_MAX;
    if (last > end) end = last;
  }
};

std::string ByteOrder(unsigned char data) {
  return data == ELFDATA2LSB ? "little-endian" : data == ELFDATA2MSB ? "big-endian" : "unknown byte-order";
}

std::string WordSize(unsigned char elfClass) {
  return elfClass == ELFCLASS32 ? "32-bit" : elfClass == ELFCLASS64 ? "64-bit" : "unknown word size";
}

}  // namespace

std::string CheckLibraryFile(int fd) {
  struct stat info;
  if (fstat(fd, &info) != 0) return std::strerror(errno);
  const uint64_t size = uint64_t(info.st_size);
  const auto cutShort = [size](uint64_t needed) {
    return "is cut short: " + std::to_string(size) + " bytes, where its headers need " +
           (needed == UINT64_MAX ? std::string("more than any file holds") : std::to_string(needed));
  };

  Header h{};
  const size_t head = size < sizeof h ? size_t(size) : sizeof h;
  if (!ReadAt(fd, &h, head, 0)) return ReadFailure(size);
  if (head >= SELFMAG && std::memcmp(h.e_ident, ELFMAG, SELFMAG) != 0) return "is not a shared library (no ELF header)";
  if (head < sizeof h) return "is cut short: " + std::to_string(size) + " bytes, too few for a library's header";
  const Header& own = __ehdr_start;
  // The byte order first: the machine's number is written in it.
  if (h.e_ident[EI_DATA] != own.e_ident[EI_DATA])
    return "is built for " + ByteOrder(h.e_ident[EI_DATA]) + " machines; this game runs on " +
           ByteOrder(own.e_ident[EI_DATA]) + " ones";
  if (h.e_ident[EI_CLASS] != own.e_ident[EI_CLASS] || h.e_machine != own.e_machine)
    return "is built for another machine (ELF machine " + std::to_string(h.e_machine) + ", " +
           WordSize(h.e_ident[EI_CLASS]) + "; this game runs on machine " + std::to_string(own.e_machine) + ", " +
           WordSize(own.e_ident[EI_CLASS]) + ")";
  if (h.e_type != ET_DYN) return "is not a shared library (ELF type " + std::to_string(h.e_type) + ")";
  if (h.e_version != EV_CURRENT || h.e_ehsize != sizeof h || h.e_phentsize != sizeof(Segment) || h.e_phnum == 0 ||
      h.e_phnum == PN_XNUM || (h.e_shoff != 0 && h.e_shentsize != sizeof(Section)))
    return "has a damaged ELF header";

  Extent extent;
  extent.Cover(h.e_phoff, uint64_t(h.e_phnum) * sizeof(Segment));
  if (extent.end > size) return cutShort(extent.end);
  bool loadable = false, dynamic = false;
  for (uint64_t i = 0; i < h.e_phnum; ++i) {
    Segment s;
    if (!ReadAt(fd, &s, sizeof s, h.e_phoff + i * sizeof s)) return cutShort(extent.end);
    if (s.p_type == PT_LOAD) {
      loadable = true;
      if (s.p_filesz > s.p_memsz) return "has a damaged segment (more bytes in the file than in memory)";
    }
    dynamic = dynamic || s.p_type == PT_DYNAMIC;
    if (s.p_filesz > 0) extent.Cover(s.p_offset, s.p_filesz);
  }
  if (!loadable || !dynamic) return "is not a shared library (no loadable segment or no dynamic section)";

  // The loader reads no section; but a file cut anywhere is damaged, and the
  // section header table, last in the file, is where one byte short shows.
  if (h.e_shoff != 0) {
    uint64_t count = h.e_shnum;
    if (count == 0) {  // more sections than the header's field holds: the first entry counts them
      Section first;
      extent.Cover(h.e_shoff, sizeof first);
      if (extent.end > size || !ReadAt(fd, &first, sizeof first, h.e_shoff)) return cutShort(extent.end);
      count = first.sh_size;
    }
    if (count > kMostSections) return "has a damaged section header table";
    extent.Cover(h.e_shoff, count * sizeof(Section));
    if (extent.end > size) return cutShort(extent.end);
    for (uint64_t i = 0; i < count; ++i) {
      Section s;
      if (!ReadAt(fd, &s, sizeof s, h.e_shoff + i * sizeof s)) return cutShort(extent.end);
      if (s.sh_type != SHT_NOBITS && s.sh_type != SHT_NULL && s.sh_size > 0) extent.Cover(s.sh_offset, s.sh_size);
    }
  }
  if (extent.end > size) return cutShort(extent.end);
  return {};
}

#else

std::string CheckLibraryFile(int) { return {}; }

#endif

#if defined(__linux__) && defined(MFD_ALLOW_SEALING)

int SealedCopy(int fd, const std::string& path, unsigned long long size, std::string& why) {
  // More than any engine library: a file this large is not one.
  constexpr unsigned long long kLargest = 1ull << 30;
  if (size > kLargest) {
    why = "is " + std::to_string(size) + " bytes, larger than any engine library";
    return -1;
  }
  // Named after the file (its end, where it is too long for a name), as the
  // process's map of its memory then shows it.
  constexpr size_t kLongestName = 249;
  const std::string name = path.size() > kLongestName ? path.substr(path.size() - kLongestName) : path;
  const int copy = memfd_create(name.c_str(), MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (copy < 0) return -1;
  const auto fail = [&](std::string reason) {
    why = std::move(reason);
    close(copy);
    return -1;
  };
  std::vector<char> buffer(1 << 16);
  unsigned long long done = 0;
  for (;;) {
    const ssize_t n = pread(fd, buffer.data(), buffer.size(), off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      return fail(errno == EAGAIN || errno == EWOULDBLOCK ? "would wait for something to read, as a FIFO does"
                                                          : std::string("cannot be read: ") + std::strerror(errno));
    if (n == 0) break;
    for (ssize_t put = 0; put < n;) {
      const ssize_t m = write(copy, buffer.data() + put, size_t(n - put));
      if (m < 0 && errno == EINTR) continue;
      if (m <= 0) return fail(std::string("cannot be copied into memory: ") + std::strerror(errno));
      put += m;
    }
    done += static_cast<unsigned long long>(n);
    if (done > size) break;
  }
  if (done != size)
    return fail("changed while it was read (" + std::to_string(done) + " bytes, where it had " +
                std::to_string(size) + ")");
  if (fcntl(copy, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0)
    return fail(std::string("cannot be sealed in memory: ") + std::strerror(errno));
  return copy;
}

#else

int SealedCopy(int, const std::string&, unsigned long long, std::string&) { return -1; }

#endif

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)

std::string TrialLoad(const std::string& path) {
  // Long enough for any sound library on a busy machine; a loader that takes
  // longer is stuck in what the file says.
  constexpr int kPatienceMs = 10000;
  // The child says how the loading went, a byte, once the loader is done with
  // it: a child that ended without a word died in the loader (of a signal, or
  // at the hands of a sanitizer, which makes that an exit).
  int report[2];
  if (pipe(report) != 0) return {};  // no trial: the loading itself is the only one
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]), close(report[1]);
    return {};
  }
  if (child == 0) {
    close(report[0]);
    // What the dying loader would print is not the game's to say.
    if (const int quiet = open("/dev/null", O_WRONLY); quiet >= 0) dup2(quiet, STDERR_FILENO), dup2(quiet, STDOUT_FILENO);
    const char said = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL) ? 'y' : 'n';
    ssize_t ignored = write(report[1], &said, 1);
    (void)ignored;
    _exit(0);
  }
  close(report[1]);
  int status = 0;
  for (int waited = 0;; waited += 2) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) {
      close(report[0]);
      return {};
    }
    // A player who asked the game to stop waits half a second at most.
    const bool stopping = StopPending() && waited >= 500;
    if (waited >= kPatienceMs || stopping) {
      kill(child, SIGKILL);
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      close(report[0]);
      return "is damaged: the system's loader did not finish loading it in " +
             (stopping ? std::to_string(waited) + " ms, when the game was asked to stop"
                       : std::to_string(kPatienceMs / 1000) + " s");
    }
    const timespec step{0, 2'000'000};
    nanosleep(&step, nullptr);
  }
  char said = 0;
  while (read(report[0], &said, 1) < 0 && errno == EINTR) {
  }
  close(report[0]);
  if (said == 'y' || said == 'n') return {};
  return "is damaged inside: the system's loader dies of it (" +
         (WIFSIGNALED(status) ? std::string(strsignal(WTERMSIG(status)))
                              : "it ended the loading with exit code " + std::to_string(WEXITSTATUS(status))) +
         ")";
}

#else

std::string TrialLoad(const std::string&) { return {}; }

#endif
