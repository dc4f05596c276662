#include "script/script_report.h"

namespace tarlow {

void ScriptReport::LeftOut(const std::string& what, const std::string& object, const std::string& reason) {
  const std::string why = FirstLineOf(reason);
  auto [at, added] = index_.try_emplace({what, why}, causes_.size());
  if (added) causes_.push_back({what, why, {}, {}});
  Cause& cause = causes_[at->second];
  if (object.empty() || !cause.objects.insert(object).second) return;
  if (cause.shown.size() < kNamesShown) cause.shown.push_back(object);
}

void ScriptReport::Clear() {
  causes_.clear();
  index_.clear();
}

std::vector<std::string> ScriptReport::Summary() const {
  std::vector<std::string> lines;
  lines.reserve(causes_.size());
  for (const Cause& c : causes_) {
    std::string line = c.what;
    for (size_t i = 0; i < c.shown.size(); ++i) line += (i == 0 ? " of " : ", ") + c.shown[i];
    if (c.objects.size() > c.shown.size())
      line += " and " + std::to_string(c.objects.size() - c.shown.size()) + " more";
    if (!c.reason.empty()) line += ": " + c.reason;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string FirstLineOf(const std::string& message) {
  size_t b = 0;
  while (b < message.size() && static_cast<unsigned char>(message[b]) <= 32) ++b;
  size_t e = message.find_first_of("\r\n", b);
  if (e == std::string::npos) e = message.size();
  while (e > b && static_cast<unsigned char>(message[e - 1]) <= 32) --e;
  return message.substr(b, e - b);
}

}  // namespace tarlow
