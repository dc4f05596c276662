// A generated script as the run writes it: ten lines per table, with
// reserved words, numbers, strings and comments for the colouring.
#pragma once

#include <string>

namespace bench_script {

inline void AddTable(std::u16string& text, int k) {
  const std::string s = std::to_string(k);
  const std::u16string n(s.begin(), s.end());
  text += u"/**************************************************\r\n";
  text += u"*   Table: EMP_" + n + u"\r\n";
  text += u"**************************************************/\r\n";
  text += u"CREATE TABLE EMP_" + n + u"\r\n";
  text += u"(\r\n";
  text += u"  EMP_ID NUMBER(6),\r\n";
  text += u"  DEPT_ID NUMBER(4) DEFAULT 10,\r\n";
  text += u"  ENAME VARCHAR2(30) DEFAULT 'SMITH',\r\n";
  text += u"  SAL NUMBER(8,2) -- monthly\r\n";
  text += u");\r\n";
}

// The script of lines / 10 tables.
inline std::u16string GeneratedScript(int lines) {
  std::u16string text;
  text.reserve(static_cast<std::size_t>(lines) * 32);
  for (int k = 0; k < lines / 10; ++k) AddTable(text, k);
  return text;
}

}  // namespace bench_script
