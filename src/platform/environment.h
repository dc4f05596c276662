// Process environment, command line, working directory and file system
// helpers in the shapes the access layer asks for.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// An environment variable; nothing when it is not set.
std::optional<std::string> getEnv(const std::string& name);

// The program's parameters, without the program name.  main() registers them
// once; tests set their own.
void setCommandLine(std::vector<std::string> parameters);
void setCommandLine(int argc, const char* const* argv);  // skips argv[0]
std::vector<std::string> commandLine();

// The working directory ("" when it cannot be read) and changing it.
std::string currentDirectory();
bool setCurrentDirectory(const std::string& dir);

bool fileExists(const std::string& path);       // a regular file (or a link to one)
bool directoryExists(const std::string& path);
// Names of a directory's entries (no "." or ".."), sorted; empty when the
// directory cannot be read.
std::vector<std::string> listDirectory(const std::string& dir);
// The directory part of a path without a trailing "/" (except for the root
// "/"); "" for a bare name.
std::string directoryPart(const std::string& path);
// The last part of a path.
std::string fileNamePart(const std::string& path);

}  // namespace platform
