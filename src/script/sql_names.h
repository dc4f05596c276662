// Quoting for the script's SQL texts: identifiers that are not plain Oracle
// names, text put between single quotes (in the script and in the
// dictionary queries), and text put inside /* */ comments.
#pragma once

#include <string>
#include <string_view>

namespace tarlow {

// An upper-case letter followed by upper-case letters, digits, _, $ and #,
// and not one of Oracle's reserved words.  Only such a name may stand in a
// statement without double quotes.
bool IsPlainIdentifier(std::string_view name);
bool IsReservedWord(std::string_view word);

// The name as a statement writes it: plain names as they are, any other in
// double quotes ("Order Lines", "select", "lower").
std::string SqlName(std::string_view name);

// Text for splicing between single quotes: every single quote doubled.
std::string SqlText(std::string_view text);
// 'text' with its single quotes doubled.
std::string SqlLiteral(std::string_view text);

// Text for the inside of a /* */ comment: every "*/" becomes "* /", so the
// comment cannot end early.
std::string CommentText(std::string_view text);

}  // namespace tarlow
