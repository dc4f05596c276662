#include "script/script_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "editor/memo_source.h"
#include "editor/text_convert.h"

namespace tarlow {

// ---- the file ----------------------------------------------------------------

namespace {

[[noreturn]] void CannotCreate(const std::string& path, int err) {
  throw EScriptFileError("Cannot create file \"" + path + "\": " + std::strerror(err));
}

// The mode a new file gets from open(2) with 0666 and the process's umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::unique_ptr<ScriptFile> ScriptFile::Create(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status target = fs::status(path, ec);  // through symbolic links
  const bool exists = fs::exists(target);
  if (path.empty()) CannotCreate(path, ENOENT);
  if (exists && !fs::is_regular_file(target)) {
    // A device or a pipe: nothing to put in its place.
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) CannotCreate(path, errno);
    return std::unique_ptr<ScriptFile>(new ScriptFile(f, path, true));
  }
  if (exists && ::access(path.c_str(), W_OK) != 0) CannotCreate(path, errno);

  // The temporary file lives beside the file it replaces (a rename does not
  // cross file systems); a symbolic link keeps pointing where it did.
  fs::path real = fs::is_symlink(fs::symlink_status(path, ec)) ? fs::weakly_canonical(path, ec) : fs::path(path);
  if (ec) real = path;
  const fs::path folder = real.has_parent_path() ? real.parent_path() : fs::path(".");
  std::string temp = (folder / ("." + real.filename().string() + ".tarlow-XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) CannotCreate(path, errno);
  const mode_t mode = exists ? static_cast<mode_t>(target.permissions() & fs::perms::mask) : NewFileMode();
  std::FILE* f = ::fchmod(fd, mode) == 0 ? ::fdopen(fd, "wb") : nullptr;
  if (!f) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    CannotCreate(path, err);
  }
  return std::unique_ptr<ScriptFile>(new ScriptFile(f, real.string(), true, temp));
}

std::unique_ptr<ScriptFile> ScriptFile::OverStream(std::FILE* stream, std::string name) {
  return std::unique_ptr<ScriptFile>(new ScriptFile(stream, std::move(name), false));
}

ScriptFile::~ScriptFile() { Discard(); }

void ScriptFile::Fail(int err) {
  throw EScriptFileError("Cannot write to \"" + name_ + "\": " +
                         (err ? std::strerror(err) : "output error"));
}

void ScriptFile::Write(std::string_view bytes) {
  if (!file_) Fail(EBADF);
  if (bytes.empty()) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail(errno);
}

void ScriptFile::Flush() {
  if (!file_) Fail(EBADF);
  errno = 0;
  if (std::fflush(file_) != 0) Fail(errno);
}

void ScriptFile::Close() {
  if (!file_) return;
  if (!owned_) {
    std::FILE* f = file_;
    file_ = nullptr;
    errno = 0;
    if (std::fflush(f) != 0) Fail(errno);
    return;
  }
  errno = 0;
  // On disk before it takes the target's place: a crash just after the
  // rename must not leave an empty script.
  if (std::fflush(file_) != 0 || (!temp_.empty() && ::fsync(::fileno(file_)) != 0)) {
    const int err = errno;
    Discard();
    Fail(err);
  }
  std::FILE* f = file_;
  file_ = nullptr;
  if (std::fclose(f) != 0 || (!temp_.empty() && std::rename(temp_.c_str(), name_.c_str()) != 0)) {
    const int err = errno;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    Fail(err);
  }
  temp_.clear();
}

void ScriptFile::Discard() noexcept {
  if (file_ && owned_) std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

// ---- the writer -----------------------------------------------------------------

void ScriptWriter::WriteScript(std::string_view text, int lineBreaks) {
  if (file_) {
    file_->Write(text);
    file_->Flush();
    for (int i = 0; i < lineBreaks; ++i) file_->Write("\r\n");
    return;
  }
  // The whole text of the store, the new text appended, set back: done in
  // place on the last line (see TExternalStrings::AppendText), so the cost
  // does not grow with the script.
  store_.Lines().AppendText(Utf8ToUtf16(text));
  for (int i = 0; i < lineBreaks; ++i) store_.Lines().Add(u"");
}

void ScriptWriter::WriteIfNotBlank(std::string_view text) {
  const std::string_view trimmed = TrimScript(text);
  if (trimmed.empty()) return;
  WriteScript(trimmed, 2);
}

std::string_view TrimScript(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  return text.substr(b, e - b);
}

std::string BannerComment(std::string_view title) {
  const std::string stars(50, '*');
  return "/" + stars + "\r\n" + std::string(title) + "\r\n" + stars + "/";
}

std::string PackageBannerComment(std::string_view title) {
  const std::string stars(41, '*');
  return "/" + stars + "\r\n" + std::string(title) + "\r\n" + stars + "/";
}

}  // namespace tarlow
