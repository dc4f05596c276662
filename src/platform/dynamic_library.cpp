#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace platform {

namespace {
thread_local std::string lastError;
}

LibraryHandle loadLibrary(const std::string& path) {
  if (path.empty()) {
    lastError = "no library name";
    return nullptr;
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
