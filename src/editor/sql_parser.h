// SQL colouring for the script editor: a table-driven scanner that writes,
// for every character of a line, the index of the text style it is painted
// in.  Each scanner state has a table of 256 entries, one per character
// code, naming the routine that scans a token starting with that character;
// the state at the end of a line is where the next line starts, which is how
// a block comment spanning lines is coloured.  Characters beyond code 255
// use the entry of code 255.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/memo_source.h"

namespace tarlow {

// Text style indices, one byte per character of a line's colour data.
namespace text_style {
constexpr std::uint8_t Whitespace = 0;
constexpr std::uint8_t String = 1;
constexpr std::uint8_t Comment = 2;
constexpr std::uint8_t Identifier = 3;
constexpr std::uint8_t Integer = 4;
constexpr std::uint8_t Float = 5;
constexpr std::uint8_t Reserved = 6;
constexpr std::uint8_t Delimeter = 7;
}  // namespace text_style

class TSqlParser : public TMemoParser {
 public:
  // Scanner states carried from line to line.
  static constexpr std::uint32_t kNormal = 0;
  static constexpr std::uint32_t kInBlockComment = 2;

  // Called for every token with its kind and text; the handler may rewrite
  // the token's colour data (cut or filled up with the kind to its length).
  using GetColorDataEvent =
      std::function<void(TSqlParser& sender, int token, std::u16string_view tokenStr, std::string& colorData)>;

  TSqlParser();
  ~TSqlParser() override;

  // Colours one line that starts in startState; returns the end state.
  // Returns startState unchanged, without scanning, when the text or the
  // colour data is empty.
  std::uint32_t ColorLineData(std::u16string_view text, std::uint32_t startState, std::string& colorData);
  // Colour data of as many zero bytes as the text has characters.
  static void PrepareLine(std::u16string_view text, std::string& colorData);
  void ColorLine(std::u16string_view line, std::uint32_t startState, std::string& colors,
                 std::uint32_t& endState) override;

  bool IsKeyword(std::u16string_view name) const;
  static int KeywordBucket(std::u16string_view name);

  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool on);
  // The keyword source list, in declaration order.
  const std::vector<std::string>& Keywords() const { return keywords_; }
  void SetKeywords(std::vector<std::string> keywords);
  // The sorted copy the buckets refer to.
  const std::vector<std::string>& SortedKeywords() const { return sorted_; }

  GetColorDataEvent OnGetColorData;

 private:
  struct Scan {
    std::u16string_view Text;
    std::size_t Pos;
    std::uint32_t State;
  };
  using Routine = std::uint8_t (TSqlParser::*)(Scan&);
  using Table = std::array<Routine, 256>;

  Table& TableFor(std::uint32_t state);
  void Install(std::uint32_t state, int first, int last, Routine r);
  void RebuildKeywordTables();

  std::uint8_t ScanName(Scan& s);
  std::uint8_t ScanNumber(Scan& s);
  std::uint8_t ScanString(Scan& s);
  std::uint8_t ScanQuotedName(Scan& s);
  std::uint8_t ScanMinus(Scan& s);
  std::uint8_t ScanSlash(Scan& s);
  std::uint8_t ScanDelimeter(Scan& s);
  std::uint8_t ScanCommentRest(Scan& s);
  std::uint8_t ScanLineEnd(Scan& s);
  void ScanToCommentEnd(Scan& s);
  bool ScanQuoted(Scan& s, char16_t quote);  // true when closed

  std::vector<std::unique_ptr<Table>> tables_;  // by state, made on first use
  bool caseSensitive_ = false;
  std::vector<std::string> keywords_;
  std::vector<std::string> sorted_;
  std::array<std::vector<std::pair<std::string, int>>, 256> buckets_;
};

}  // namespace tarlow
