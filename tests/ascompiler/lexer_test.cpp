#include "ascompiler/lexer.h"

#include <gtest/gtest.h>

#include <map>

#include "ascompiler/errors.h"
#include "core/text.h"

namespace fc {
namespace {

class LexerTest : public ::testing::Test {
protected:
  // Tokens as "IDENT:a NE IDENT:b", with the value where a token has one.
  std::string Scan(const std::string& text, bool swf4 = false) {
    TLexer lexer(strings, [this](const std::string& name) { return Open(name); }, swf4);
    lexer.Reset(text, "main");
    std::string out;
    TTokenValue value;
    for (int token; (token = lexer.NextToken(value)) != kTokEnd;) {
      if (!out.empty()) out += ' ';
      out += TokenName(token);
      if (token == kTokIdent || token == kTokString || token == kTokPath) out += ":" + strings.Text(value.ID);
      if (token == kTokNumber) out += ":" + FormatDouble(value.Number);
      if (token == kTokAssignOp) out += Format(":%d", value.Op);
      if (token == kTokListing) out += ":" + value.Text;
    }
    return out;
  }
  TIncludeFile Open(const std::string& name) {
    const auto it = files.find(name);
    if (it == files.end()) throw EActionCompileError(Format("Include file \"%s\" not found.", name.c_str()));
    return {it->second, name};
  }

  TStringTable strings;
  std::map<std::string, std::string> files;
};

TEST_F(LexerTest, OperatorsTakeTheLongestMatch) {
  EXPECT_EQ(Scan("a<>b"), "IDENT:a != IDENT:b");
  EXPECT_EQ(Scan("x+=1"), "IDENT:x ASSIGNOP:2 NUMBER:1");
  EXPECT_EQ(Scan(">>>= >>> >>= >> >= > === == ="), "ASSIGNOP:12 >>> ASSIGNOP:11 >> >= '>' === == '='");
  EXPECT_EQ(Scan("!== != ! && & || | ^ ^= ++ --"), "!== != ! && & || | ^ ASSIGNOP:8 ++ --");
  EXPECT_EQ(Scan("-= *= /= %= &= |= <<="), "ASSIGNOP:3 ASSIGNOP:4 ASSIGNOP:5 ASSIGNOP:6 ASSIGNOP:7 ASSIGNOP:9 ASSIGNOP:10");
  EXPECT_EQ(Scan("%(){}[];,.?:~"), "'%' '(' ')' '{' '}' '[' ']' ';' ',' '.' '?' ':' '~'");
}

TEST_F(LexerTest, KeywordsAreCaseSensitiveAndWordOperatorsAreReserved) {
  EXPECT_EQ(Scan("if If this super get set dynamic intrinsic"),
            "if IDENT:If IDENT:this IDENT:super IDENT:get IDENT:set IDENT:dynamic IDENT:intrinsic");
  EXPECT_EQ(Scan("add and eq ge gt le lt ne not or instanceof"), "add && eq ge gt le lt ne ! || instanceof");
  EXPECT_EQ(Scan("ifFrameLoaded tellTarget onClipEvent keyPress"), "ifFrameLoaded tellTarget onClipEvent keyPress");
  EXPECT_EQ(Scan("a$b"), "IDENT:a '$' IDENT:b");
}

TEST_F(LexerTest, EvalIsAKeywordOnlyBeforeAParenthesis) {
  EXPECT_EQ(Scan("eval (x)"), "eval '(' IDENT:x ')'");
  EXPECT_EQ(Scan("eval = 3"), "IDENT:eval '=' NUMBER:3");
  EXPECT_EQ(Scan("evaluate(x)"), "IDENT:evaluate '(' IDENT:x ')'");
}

TEST_F(LexerTest, FunctionGetAndSetNeedWhiteSpaceOnBothSides) {
  EXPECT_EQ(Scan("function get value()"), "function get IDENT:value '(' ')'");
  EXPECT_EQ(Scan("function\n\tset v(x)"), "function set IDENT:v '(' IDENT:x ')'");
  EXPECT_EQ(Scan("function get()"), "function IDENT:get '(' ')'");
  EXPECT_EQ(Scan("function getter()"), "function IDENT:getter '(' ')'");
}

TEST_F(LexerTest, NumericLiteralForms) {
  EXPECT_EQ(Scan("017"), "NUMBER:15");
  EXPECT_EQ(Scan("019"), "BADNUMBER");
  EXPECT_EQ(Scan("0x10 0XfF 0xFFFFFFFF"), "NUMBER:16 NUMBER:255 NUMBER:-1");
  EXPECT_EQ(Scan("0x100000000"), "BADNUMBER");
  EXPECT_EQ(Scan(".5 0.5 0e3 1.5e-3 2E+2"), "NUMBER:0.5 NUMBER:0.5 NUMBER:0 NUMBER:0.0015 NUMBER:200");
  EXPECT_EQ(Scan("1.x"), "NUMBER:1 '.' IDENT:x");
  EXPECT_EQ(Scan("0 00 017x"), "NUMBER:0 NUMBER:0 NUMBER:15 IDENT:x");
  EXPECT_EQ(Scan("1e999"), "BADNUMBER");
  EXPECT_EQ(Scan("01777777777"), "NUMBER:268435455");
  EXPECT_EQ(Scan("02000000000"), "BADNUMBER");  // reached 2^28 before the leading digit
  // A digit run glued to letters is no number: single characters, then the word.
  EXPECT_EQ(Scan("1e5x"), "'1' IDENT:e5x");
}

TEST_F(LexerTest, StringsResolveEscapesAndKeepLineBreaks) {
  EXPECT_EQ(Scan(R"('it\'s' "\q" "a\tb")"), "STRING:it's STRING:q STRING:a\tb");
  // \xHH and \uHHHH name a character, written as UTF-8; too few hex digits leave the letter.
  EXPECT_EQ(Scan(R"("\x41" "\xa0" "\u00e9" "\u20AC")"), "STRING:A STRING:\xC2\xA0 STRING:\xC3\xA9 STRING:\xE2\x82\xAC");
  EXPECT_EQ(Scan(R"("\x4" "\xg1" "\u12" '\u12x4')"), "STRING:x4 STRING:xg1 STRING:u12 STRING:u12x4");
  EXPECT_EQ(Scan(R"("\ud83d\ude00" "\ud83dx")"), "STRING:\xF0\x9F\x98\x80 STRING:\xEF\xBF\xBDx");
  EXPECT_EQ(Scan("\"two\nlines\""), "STRING:two\nlines");
  EXPECT_EQ(Scan("\"it's\" 'say \"hi\"'"), "STRING:it's STRING:say \"hi\"");
  EXPECT_EQ(Scan("\"open"), "'\"' IDENT:open");
  EXPECT_EQ(Scan("\"a\\\nb\""), "'\"' IDENT:a '\\' IDENT:b '\"'");
}

TEST_F(LexerTest, CommentsAndListingLines) {
  EXPECT_EQ(Scan("a /* b \n c */ d // e\nf"), "IDENT:a IDENT:d IDENT:f");
  EXPECT_EQ(Scan("a /* never closed"), "IDENT:a");
  EXPECT_EQ(Scan("/* /* */ x */"), "IDENT:x '*' '/'");
  EXPECT_EQ(Scan("//# listed\nx"), "LISTING://# listed IDENT:x");
  EXPECT_EQ(Scan("//#" + std::string(300, 'x')), "LISTING://#" + std::string(252, 'x'));
}

TEST_F(LexerTest, TheLastLineNeedsNoNewline) {
  EXPECT_EQ(Scan("x = 1; // comment"), "IDENT:x '=' NUMBER:1 ';'");
  EXPECT_EQ(Scan("x = 12"), "IDENT:x '=' NUMBER:12");
  EXPECT_EQ(Scan("x = .5"), "IDENT:x '=' NUMBER:0.5");
  EXPECT_EQ(Scan("//# end"), "LISTING://# end");
}

TEST_F(LexerTest, OtherCharactersComeThroughAlone) {
  EXPECT_EQ(Scan("@ \f # \\"), "'@' '\f' '#' '\\'");
  EXPECT_EQ(TokenName(0xE9), "'\xE9'");
  EXPECT_EQ(Scan("a\xE9"), "IDENT:a '\xE9'");
  EXPECT_EQ(Scan(std::string("a\0b", 3)), "IDENT:a");  // byte 0 ends the input
}

TEST_F(LexerTest, TypeAnnotationsAndLabelsScanWithoutSlashPaths) {
  EXPECT_EQ(Scan("var t:Number"), "var IDENT:t ':' IDENT:Number");
  EXPECT_EQ(Scan("a?b:c"), "IDENT:a '?' IDENT:b ':' IDENT:c");
  EXPECT_EQ(Scan("/:score"), "'/' ':' IDENT:score");
}

TEST_F(LexerTest, SlashPathsWithTheFlash4Option) {
  EXPECT_EQ(Scan("/:score _root/clip:x ../a:b :x a:b", true),
            "PATH:/:score PATH:_root/clip:x PATH:../a:b PATH::x PATH:a:b");
  EXPECT_EQ(Scan("a/b", true), "IDENT:a '/' IDENT:b");
}

TEST_F(LexerTest, LinesAndColumnsFollowTheConsumedText) {
  TLexer lexer(strings, nullptr);
  lexer.Reset("ab  c\n\n  d");
  TTokenValue value;
  lexer.NextToken(value);
  EXPECT_EQ(lexer.Line(), 1);
  EXPECT_EQ(lexer.Column(), 2);
  lexer.NextToken(value);
  EXPECT_EQ(lexer.Column(), 5);
  lexer.NextToken(value);
  EXPECT_EQ(lexer.Line(), 3);
  EXPECT_EQ(lexer.Column(), 3);
  EXPECT_EQ(lexer.NextToken(value), kTokEnd);
}

// Where the scanner stands after each token: "line:column" per token.
std::string Positions(TStringTable& strings, const std::string& text) {
  TLexer lexer(strings, nullptr);
  lexer.Reset(text);
  std::string out;
  TTokenValue value;
  while (lexer.NextToken(value) != kTokEnd) out += Format("%d:%d ", lexer.Line(), lexer.Column());
  return out + Format("end %d:%d", lexer.Line(), lexer.Column());
}

TEST_F(LexerTest, PositionsAcrossBlankRunsAndTokensThatSpanLines) {
  EXPECT_EQ(Positions(strings, "a \t\r b\r\n\t c"), "1:1 1:6 2:3 end 2:3");
  EXPECT_EQ(Positions(strings, "\"x\ny\nzz\" q"), "3:3 3:5 end 3:5");
  EXPECT_EQ(Positions(strings, "function\n get\nx"), "3:0 3:1 end 3:1");
  EXPECT_EQ(Positions(strings, "a /* 1\n2\n345 */ b // c\n  d"), "1:1 3:8 4:3 end 4:3");
  EXPECT_EQ(Positions(strings, "//# listing\nx"), "1:11 2:1 end 2:1");
  EXPECT_EQ(Positions(strings, "   "), "end 1:3");
}

TEST_F(LexerTest, OperatorsCutShortByTheEndOfInput) {
  EXPECT_EQ(Scan(">>>"), ">>>");
  EXPECT_EQ(Scan(">>"), ">>");
  EXPECT_EQ(Scan("a >"), "IDENT:a '>'");
  EXPECT_EQ(Scan("!="), "!=");
  EXPECT_EQ(Scan("x ="), "IDENT:x '='");
  EXPECT_EQ(Scan(std::string("a>\0>b", 5)), "IDENT:a '>'");
}

TEST_F(LexerTest, KeywordsNeedTheWholeWord) {
  EXPECT_EQ(Scan("in inx i instanceofx instanceof"), "in IDENT:inx IDENT:i IDENT:instanceofx instanceof");
  EXPECT_EQ(Scan("ifFrameLoaded ifFrameLoadedX onClipEvent_ d do dox"),
            "ifFrameLoaded IDENT:ifFrameLoadedX IDENT:onClipEvent_ IDENT:d do IDENT:dox");
  EXPECT_EQ(Scan("functions function2 evaluate"), "IDENT:functions IDENT:function2 IDENT:evaluate");
}

TEST_F(LexerTest, StringsWithAndWithoutEscapesIntern) {
  EXPECT_EQ(Scan("'plain' \"plain\" 'a\\'b' \"\\n\""), "STRING:plain STRING:plain STRING:a'b STRING:\n");
  EXPECT_EQ(Scan("\"open"), "'\"' IDENT:open");
  EXPECT_EQ(Scan(std::string("'a\0b' c", 7)), "''' IDENT:a");
}

TEST_F(LexerTest, IncludesAreFollowedAndReturnToTheNextLine) {
  files["inc.as"] = "b c";
  EXPECT_EQ(Scan("a\n#include \"inc.as\"\nd"), "IDENT:a IDENT:b IDENT:c IDENT:d");
  EXPECT_EQ(Scan("  \t# include\t'inc.as' \t\r\nd"), "IDENT:b IDENT:c IDENT:d");
  EXPECT_EQ(Scan("#include \"inc.as\""), "IDENT:b IDENT:c");  // no final newline
  // The end of an included file ends its last token.
  files["tail.as"] = "ab";
  EXPECT_EQ(Scan("#include \"tail.as\"\ncd"), "IDENT:ab IDENT:cd");
  files["comment.as"] = "x // no newline";
  EXPECT_EQ(Scan("#include \"comment.as\"\ny"), "IDENT:x IDENT:y");
  // A UTF-8 byte order mark in front of the text or of an include file is skipped.
  files["bom.as"] = "\xEF\xBB\xBF" "b\r\n";
  EXPECT_EQ(Scan("\xEF\xBB\xBF" "a\r\n#include \"bom.as\"\r\nc"), "IDENT:a IDENT:b IDENT:c");
}

TEST_F(LexerTest, NotADirectiveUnlessItStartsTheLineAndEndsIt) {
  files["inc.as"] = "b";
  EXPECT_EQ(Scan("a; #include \"inc.as\"\n"), "IDENT:a ';' '#' IDENT:include STRING:inc.as");
  EXPECT_EQ(Scan("#include \"inc.as\" x\n"), "'#' IDENT:include STRING:inc.as IDENT:x");
  EXPECT_EQ(Scan("#include\"inc.as\"\n"), "'#' IDENT:include STRING:inc.as");
}

TEST_F(LexerTest, IncludedFilesTrackTheirOwnPositionAndName) {
  files["inc.as"] = "\n  b";
  TLexer lexer(strings, [this](const std::string& name) { return Open(name); });
  lexer.Reset("a\n#include \"inc.as\"\nc");
  TTokenValue value;
  lexer.NextToken(value);
  lexer.NextToken(value);
  EXPECT_EQ(lexer.FileName(), "inc.as");
  EXPECT_EQ(lexer.Line(), 2);
  EXPECT_EQ(lexer.Column(), 3);
  EXPECT_EQ(lexer.IncludeDepth(), 1u);
  lexer.NextToken(value);
  EXPECT_EQ(lexer.FileName(), "");
  EXPECT_EQ(lexer.Line(), 3);
  EXPECT_EQ(lexer.Column(), 1);
}

TEST_F(LexerTest, IncludeCyclesAreCompileErrors) {
  files["self.as"] = "#include \"self.as\"\n";
  EXPECT_THROW(Scan("#include \"self.as\"\n"), EActionCompileError);
  files["a.as"] = "#include \"b.as\"\n";
  files["b.as"] = "x\n#include \"a.as\"\n";
  try {
    Scan("#include \"a.as\"\n");
    FAIL();
  } catch (const EActionCompileError& e) {
    EXPECT_STREQ(e.what(), "Include file \"a.as\" includes itself.");
  }
  files["main"] = "";
  EXPECT_THROW(Scan("#include \"main\"\n"), EActionCompileError);  // the main file itself
  // The same file twice in a row is no cycle.
  files["once.as"] = "o";
  EXPECT_EQ(Scan("#include \"once.as\"\n#include \"once.as\"\n"), "IDENT:o IDENT:o");
}

TEST_F(LexerTest, MissingIncludeNamesTheFile) {
  try {
    Scan("#include \"nope.as\"\n");
    FAIL();
  } catch (const EActionCompileError& e) {
    EXPECT_STREQ(e.what(), "Include file \"nope.as\" not found.");
  }
}

}  // namespace
}  // namespace fc
