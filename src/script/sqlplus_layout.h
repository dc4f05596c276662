// How the script's statements are laid out so that SQL*Plus (and SQLcl)
// reads each one exactly as written.
//
// The script's header turns substitution variables off and keeps blank lines
// inside statements.  What the header cannot cover is handled per statement:
//  - a line of a SQL statement that ends with ";" would end it early: the
//    statement runs with the terminator switched off and ends with "/";
//  - a line that is "." alone would end it unrun: the block terminator is
//    switched off around it;
//  - a line that starts with "#" would be run as a SQL*Plus command: another
//    SQLPREFIX character is chosen around it;
//  - a line that is "/" alone, a line longer than SQL*Plus takes, or a
//    carriage return that is not part of the script's own line break cannot
//    be written as lines at all: the statement is assembled in a PL/SQL block
//    from short literal pieces and run with EXECUTE IMMEDIATE.
#pragma once

#include <string>
#include <string_view>

namespace tarlow {

// The longest line SQL*Plus reads from a script.
inline constexpr size_t kMaxScriptLine = 2499;

// The settings block that heads every script.
std::string ScriptHeader();

enum class StatementForm { Sql, Block };

// The script text of one statement, its terminator included ("...;" for SQL,
// on a line of its own after a last line that holds "--"; a "/" line after
// a PL/SQL unit).  `statement` is the exact text the
// database is to receive, with LF line breaks (as SQL*Plus sends them); the
// result has CR LF line breaks.
std::string SqlPlusStatement(std::string_view statement, StatementForm form);

// What to put between a dictionary text and the statement's own text after
// it on the same line: a line break (LF) when the text's last line holds
// "--" (the rest of that line would be comment), else nothing.
std::string BreakAfter(std::string_view text);

// A text as a /* */ comment between statements: "*/" inside it defused,
// its line breaks CR LF, no line longer than SQL*Plus reads.
std::string CommentBlock(std::string_view text);

// A text that only informs (an inline comment): line breaks as LF, lines
// longer than `maxLine` characters broken, and "- " before a line that is
// "/" or "." alone or starts with "#", so that it never forces a statement
// into a block nor ends one.
std::string WrappedText(std::string_view text, size_t maxLine = 2000);

// The statement as a PL/SQL block that assembles its text from literal
// pieces and runs it; every line well under the limit.
std::string ExecuteImmediateBlock(std::string_view statement);

// A text value as a chain of quoted literal pieces joined by "||": quotes
// doubled, CR and LF as CHR(13) and CHR(10), NUL as CHR(0), and no script
// line longer than `lineBytes`.
std::string LiteralPieces(std::string_view value, size_t lineBytes = 1000);

}  // namespace tarlow
