// The read-only registry the Oracle client settings come from.
//
// When TARLOW_REGISTRY names a file, that ini-style file is the whole
// registry: its section names are key paths under HKEY_LOCAL_MACHINE, such as
// [SOFTWARE\ORACLE\HOME0], and its keys are value names.  Otherwise values are
// derived from the environment: SOFTWARE\ORACLE\ORACLE_HOME is $ORACLE_HOME;
// nothing else exists.  Key paths and value names are matched without regard
// to letter case, as Windows matches them; "/" and "\" separate key parts
// alike.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The value, or nothing when the key or the value does not exist.
std::optional<std::string> readRegistryValue(const std::string& keyPath, const std::string& valueName);

}  // namespace platform
