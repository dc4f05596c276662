#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace platform {

namespace {
thread_local std::string lastError;

#if defined(__x86_64__)
constexpr int kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kMachine = EM_386;
#else
constexpr int kMachine = -1;  // not checked
#endif

#if UINTPTR_MAX == 0xffffffffffffffffu
using Ehdr = Elf64_Ehdr;
using Phdr = Elf64_Phdr;
constexpr unsigned char kClass = ELFCLASS64;
#else
using Ehdr = Elf32_Ehdr;
using Phdr = Elf32_Phdr;
constexpr unsigned char kClass = ELFCLASS32;
#endif

bool ReadAt(int fd, void* buffer, size_t size, off_t offset) {
  auto* p = static_cast<char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::pread(fd, p, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

}  // namespace

std::optional<std::string> checkLibraryFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::nullopt;  // the system loader says why it cannot open it
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return path + ": not a regular file";
  const auto size = static_cast<unsigned long long>(st.st_size);
  Ehdr header{};
  if (size < sizeof header || !ReadAt(fd, &header, sizeof header, 0))
    return path + ": file too short to be a shared library";
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return path + ": not an ELF file";
  if (header.e_ident[EI_CLASS] != kClass)
    return path + ": a " + (header.e_ident[EI_CLASS] == ELFCLASS32 ? "32" : "64") +
           "-bit library cannot be loaded by this " + (kClass == ELFCLASS32 ? "32" : "64") + "-bit program";
  const unsigned char data = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
  if (header.e_ident[EI_DATA] != data) return path + ": the library's byte order is not this machine's";
  if (kMachine >= 0 && header.e_machine != kMachine) return path + ": the library is built for another processor";
  if (header.e_type != ET_DYN) return path + ": not a shared library";
  if (header.e_phentsize != sizeof(Phdr)) return path + ": damaged ELF file (program header size)";
  const unsigned long long tableEnd =
      static_cast<unsigned long long>(header.e_phoff) + 1ull * header.e_phnum * header.e_phentsize;
  if (header.e_phnum == 0 || tableEnd > size) return path + ": damaged or cut short (program headers lie beyond its end)";
  // The loader maps each loadable segment from the file; a segment reaching
  // past the end of a cut file would fault when it is touched.
  for (unsigned i = 0; i < header.e_phnum; ++i) {
    Phdr ph{};
    if (!ReadAt(fd, &ph, sizeof ph, static_cast<off_t>(header.e_phoff + i * sizeof ph)))
      return path + ": damaged or cut short (program headers cannot be read)";
    if (ph.p_type != PT_LOAD && ph.p_type != PT_DYNAMIC) continue;
    if (static_cast<unsigned long long>(ph.p_offset) + ph.p_filesz > size)
      return path + ": damaged or cut short (a segment lies beyond its end)";
  }
  return std::nullopt;
}

LibraryHandle loadLibrary(const std::string& path) {
  if (path.empty()) {
    lastError = "no library name";
    return nullptr;
  }
  // A name without a folder is looked up along the loader's search path,
  // which only the system loader knows; a path is checked first.
  if (path.find('/') != std::string::npos) {
    if (auto broken = checkLibraryFile(path)) {
      lastError = *broken;
      return nullptr;
    }
  }
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* e = ::dlerror();
    lastError = e ? e : "unknown error";
  }
  return handle;
}

void* findSymbol(LibraryHandle library, const char* name) {
  if (!library) return nullptr;
  return ::dlsym(library, name);
}

void freeLibrary(LibraryHandle library) {
  if (library) ::dlclose(library);
}

std::string lastLoadError() { return lastError; }

}  // namespace platform
