#include "script/script_writer.h"

#include <cerrno>
#include <cstring>

#include "editor/memo_source.h"
#include "editor/text_convert.h"

namespace tarlow {

// ---- the file ----------------------------------------------------------------

std::unique_ptr<ScriptFile> ScriptFile::Create(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    throw EScriptFileError("Cannot create file \"" + path + "\": " + std::strerror(errno));
  return std::unique_ptr<ScriptFile>(new ScriptFile(f, path, true));
}

std::unique_ptr<ScriptFile> ScriptFile::OverStream(std::FILE* stream, std::string name) {
  return std::unique_ptr<ScriptFile>(new ScriptFile(stream, std::move(name), false));
}

ScriptFile::~ScriptFile() {
  if (file_ && owned_) std::fclose(file_);
}

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
  std::FILE* f = file_;
  file_ = nullptr;
  errno = 0;
  const bool ok = owned_ ? std::fclose(f) == 0 : std::fflush(f) == 0;
  if (!ok) Fail(errno);
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
