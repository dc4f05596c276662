// Loading a shared library and looking up its entry points (dlopen, dlsym,
// dlclose).  Libraries are loaded with RTLD_NOW | RTLD_LOCAL, so a library
// with unresolved symbols fails to load instead of failing at the first call,
// and two client libraries never see each other's symbols.
#pragma once

#include <optional>
#include <string>

namespace platform {

using LibraryHandle = void*;

// Why the file at path cannot be a shared library of this program (not an
// ELF file, another word size, byte order or processor, or cut short so that
// its program headers or segments lie beyond its end), or nothing when it
// looks loadable or cannot be opened at all.  A cut library would otherwise
// crash the program inside the system loader.
std::optional<std::string> checkLibraryFile(const std::string& path);

// A handle, or nullptr; lastLoadError() then tells why.  A path with a
// folder is checked with checkLibraryFile before it is loaded.
LibraryHandle loadLibrary(const std::string& path);
void* findSymbol(LibraryHandle library, const char* name);
void freeLibrary(LibraryHandle library);
// The system loader's text for the last failure on this thread.
std::string lastLoadError();

}  // namespace platform
