// Loading a shared library and looking up its entry points (dlopen, dlsym,
// dlclose).  Libraries are loaded with RTLD_NOW | RTLD_LOCAL, so a library
// with unresolved symbols fails to load instead of failing at the first call,
// and two client libraries never see each other's symbols.
#pragma once

#include <string>

namespace platform {

using LibraryHandle = void*;

// A handle, or nullptr; lastLoadError() then tells why.
LibraryHandle loadLibrary(const std::string& path);
void* findSymbol(LibraryHandle library, const char* name);
void freeLibrary(LibraryHandle library);
// The system loader's text for the last failure on this thread.
std::string lastLoadError();

}  // namespace platform
