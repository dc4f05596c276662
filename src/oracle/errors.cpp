#include "oracle/errors.h"

std::string CutToCharacters(const std::string& text, int maxChars) {
  if (maxChars <= 0) return {};
  int chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    // Count lead bytes only; continuation bytes (10xxxxxx) belong to the
    // character before them.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == maxChars) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

EOracleError::EOracleError(const std::string& message, int errorCode)
    : std::runtime_error(CutToCharacters(message, MaxErrorLength)), errorCode_(errorCode) {}
