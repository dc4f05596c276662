// The access layer's exceptions.
//
// EOracleError is what Oracle reports: the client library's text unchanged
// (database errors begin "ORA-" and the five-digit number), cut to
// MaxErrorLength characters, with the error number.  EOracleException is the
// layer's own complaint: misuse ("Not logged on"), conversion problems, and
// a client library that cannot be loaded ("Initialization error" + CRLF +
// the reason and a log of what was tried).
#pragma once

#include <stdexcept>
#include <string>

inline constexpr int MaxErrorLength = 1023;

// Cuts text to at most maxChars characters (UTF-8 code points), never in the
// middle of a character.
std::string CutToCharacters(const std::string& text, int maxChars);

class EOracleException : public std::runtime_error {
 public:
  explicit EOracleException(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

class EOracleError : public std::runtime_error {
 public:
  // The message is cut to MaxErrorLength characters.
  EOracleError(const std::string& message, int errorCode);
  int ErrorCode() const { return errorCode_; }
  std::string Message() const { return what(); }

 private:
  int errorCode_;
};

// Never raised by the program; kept for callers that tell warnings apart.
class EOracleWarning : public EOracleError {
 public:
  using EOracleError::EOracleError;
};
