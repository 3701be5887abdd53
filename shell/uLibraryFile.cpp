// SPDX-License-Identifier: Zlib
#include "shell/uLibraryFile.h"

#if defined(__ELF__) && !defined(_WIN32)

#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

// The linker's name for this program's own ELF header, mapped with it: the
// machine and word size a library must be built for.
extern "C" const ElfW(Ehdr) __ehdr_start __attribute__((visibility("hidden")));

namespace {

using Header = ElfW(Ehdr);
using Segment = ElfW(Phdr);
using Section = ElfW(Shdr);

// More than any library has; a count past it is damage, not a table to read.
constexpr uint64_t kMostSections = 65536;

bool ReadAt(int fd, void* into, size_t bytes, uint64_t offset) {
  auto* at = static_cast<char*>(into);
  while (bytes > 0) {
    const ssize_t n = pread(fd, at, bytes, off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n, bytes -= size_t(n), offset += uint64_t(n);
  }
  return true;
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
  if (!ReadAt(fd, &h, head, 0)) return std::string("cannot be read: ") + std::strerror(errno);
  if (head >= SELFMAG && std::memcmp(h.e_ident, ELFMAG, SELFMAG) != 0) return "is not a shared library (no ELF header)";
  if (head < sizeof h) return "is cut short: " + std::to_string(size) + " bytes, too few for a library's header";
  const Header& own = __ehdr_start;
  if (h.e_ident[EI_CLASS] != own.e_ident[EI_CLASS] || h.e_ident[EI_DATA] != own.e_ident[EI_DATA] ||
      h.e_machine != own.e_machine)
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
