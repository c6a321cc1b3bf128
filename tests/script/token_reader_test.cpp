#include "script/token_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "script_test_support.h"

namespace orvane {
namespace {

using test::S;

// A String holding any bytes, NUL included.
String* NewString(const std::string& text) {
  if (text.empty()) return new String();
  String* s = new String(' ', static_cast<int>(text.size()));
  std::memcpy(&(*s)[0], text.data(), text.size());
  return s;
}

struct Lines {
  explicit Lines(const std::vector<std::string>& texts) {
    for (const std::string& t : texts) list.Append(NewString(t), 1);
  }
  ~Lines() { list.RemoveAll(); }
  LIST list;
};

void OpenText(TokenReader& r, const std::string& text) {
  ASSERT_EQ(r.OpenStream(std::make_unique<std::istringstream>(text), "t.ovs"), 0);
}

// The next token and the number of its line, as "token@line".
std::string Next(TokenReader& r) {
  String t = r.GetToken();
  return S(t) + "@" + std::to_string(r.lineNo);
}

// The remaining tokens as "type:text", up to the end of input (a bounded number of calls).
std::vector<std::string> Rest(TokenReader& r, size_t limit = 100000) {
  std::vector<std::string> out;
  for (size_t i = 0; i < limit; ++i) {
    String t = r.GetToken();
    if (r.status == TokenReader::kEndOfInput || r.status == TokenReader::kNoInput) break;
    out.push_back(std::to_string(r.tokenType) + ":" + S(t));
  }
  return out;
}

// Tokens of `text` read both from a stream and from a line list; both must agree.
std::vector<std::string> Tokens(const std::string& text) {
  TokenReader stream_reader;
  std::ostringstream err;
  stream_reader.SetErrorStream(&err);
  OpenText(stream_reader, text);
  std::vector<std::string> from_stream = Rest(stream_reader);
  std::vector<std::string> texts;
  std::istringstream split(text);
  for (std::string l; std::getline(split, l);) texts.push_back(l);
  Lines lines(texts);
  TokenReader list_reader;
  list_reader.SetErrorStream(&err);
  EXPECT_EQ(list_reader.UseLines(&lines.list), 0);
  EXPECT_EQ(Rest(list_reader), from_stream) << text;
  return from_stream;
}

using V = std::vector<std::string>;

class TokenReaderTest : public ::testing::Test {
 protected:
  TokenReaderTest() { r.SetErrorStream(&err); }
  std::ostringstream err;
  TokenReader r;
};

TEST(TokenReaderTokens, CutsWordsValuesStringsAndBraces) {
  EXPECT_EQ(Tokens("object \"name\" { position <1,2,3> }\n"),
            (V{"3:object", "6:\"name\"", "4:{", "3:position", "1:<1,2,3>", "5:}"}));
  EXPECT_EQ(Tokens("if(a<b) x=a>b;\n"), (V{"3:if(a<b)", "3:x=a>b;"}));
  EXPECT_EQ(Tokens("abc{def}ghi\n"), (V{"3:abc", "4:{", "3:def", "5:}", "3:ghi"}));
  // `|`, `~` and 127 end a word; one that starts a token begins a new word.
  EXPECT_EQ(Tokens("a|b~c\177d\n"), (V{"3:a", "3:|b", "3:~c", "3:\177d"}));
  // Bytes of 128 and above never start a word but belong to one.
  EXPECT_EQ(Tokens("\344abc \200\201 ab\344cd\n"), (V{"3:abc", "3:ab\344cd"}));
  EXPECT_EQ(Tokens("a/b /\n"), (V{"3:a/b", "3:/"}));
  // A `>` inside an earlier string or word never closes a later value.
  EXPECT_EQ(Tokens("\"a>b\" <1,2>\n"), (V{"6:\"a>b\"", "1:<1,2>"}));
  EXPECT_EQ(Tokens("if(a>b) <1> <2>\n"), (V{"3:if(a>b)", "1:<1>", "1:<2>"}));
}

TEST_F(TokenReaderTest, MissingClosersReportAndDropTheLine) {
  OpenText(r, "a \"open b\n<1,2 c\nd");
  EXPECT_EQ(S(r.GetToken()), "a");
  EXPECT_EQ(S(r.GetToken()), "");
  EXPECT_EQ(r.status, TokenReader::kTokenError);
  EXPECT_EQ(r.tokenType, TokenReader::kNoToken);
  EXPECT_EQ(S(r.GetToken()), "");
  EXPECT_EQ(err.str(),
            "\nt.ovs: Syntax error (line 1): '\"' expected."
            "\nt.ovs: Syntax error (line 2): '>' expected.");
  EXPECT_EQ(Rest(r), (V{"3:d"}));
}

TEST_F(TokenReaderTest, GetValueAndGetNumber) {
  Lines lines({"<1,2,3> <1, 2> <-1.5,2> <1e3> <> b[5]"});
  r.UseLines(&lines.list);
  r.fileName = "t.ovs";
  r.GetToken();
  EXPECT_EQ(S(r.GetValue(2)), "2");
  EXPECT_EQ(S(r.valueText), "2");
  EXPECT_EQ(S(r.GetValue(3)), "3");
  EXPECT_EQ(S(r.GetValue(4)), "");
  EXPECT_EQ(r.status, TokenReader::kTokenError);
  EXPECT_EQ(err.str(), "\nt.ovs: Syntax error (line 1): value missed.");
  r.GetToken();
  EXPECT_EQ(r.GetNumber(1), 1.0f);
  EXPECT_EQ(r.GetNumber(2), 0.0f);  // the field starts with a blank
  EXPECT_EQ(S(r.GetValue(2)), " 2");
  r.GetToken();
  EXPECT_EQ(r.GetNumber(1), -1.5f);
  r.GetToken();
  EXPECT_EQ(r.GetNumber(1), 1.0f);  // no exponent
  EXPECT_EQ(r.GetNumber(2), 0.0f);
  EXPECT_EQ(r.status, TokenReader::kTokenError);
  r.GetToken();
  EXPECT_EQ(S(r.GetValue(1)), "");
  EXPECT_EQ(r.status, TokenReader::kOk);
  // Not a value: the index text and index of the last GetName.
  r.GetToken();
  r.GetName();
  EXPECT_EQ(S(r.GetValue(1)), "5");
  EXPECT_EQ(r.GetNumber(1), 5.0f);
}

TEST_F(TokenReaderTest, StreamLinesAreCutAt127Bytes) {
  const std::string exact(127, 'a');
  OpenText(r, exact + "\n" + std::string(300, 'b') + "\nc\r");  // a line's '\r' is dropped
  EXPECT_EQ(Next(r), exact + "@1");
  EXPECT_EQ(Next(r), std::string(127, 'b') + "@2");
  EXPECT_EQ(Next(r), "c@3");
  EXPECT_EQ(S(r.line), "c");
  EXPECT_EQ(r.isOpen, 1);  // the last line without a newline is delivered before the end
  EXPECT_EQ(S(r.GetToken()), "");
  EXPECT_EQ(r.status, TokenReader::kEndOfInput);
  EXPECT_EQ(r.isOpen, 0);
  EXPECT_EQ(r.tokenType, TokenReader::kNoToken);
  r.GetToken();
  EXPECT_EQ(r.status, TokenReader::kNoInput);
}

TEST_F(TokenReaderTest, GotoLineAndReloadLine) {
  Lines lines({"a b c", "d e", "f g h"});
  r.UseLines(&lines.list);
  r.GotoLine(2, 2);  // before anything was read
  EXPECT_EQ(Next(r), "e@2");
  r.GotoLine(3, 3);
  EXPECT_EQ(Next(r), "h@3");
  r.PushBack("q");
  r.GotoLine(1, 2);
  EXPECT_EQ(Next(r), "b@1");
  EXPECT_EQ(r.tokenCount, 2);
  r.GotoLine(9, 1);  // clamped at the last line
  EXPECT_EQ(Next(r), "f@3");
  r.GotoLine(2, 1);
  EXPECT_EQ(Next(r), "d@2");
  ListItem* old = lines.list.Current();
  lines.list.SetItem(NewString("x \"y\" z"));
  delete old;
  r.ReloadLine(2);
  EXPECT_EQ(Next(r), "\"y\"@2");
  EXPECT_EQ(Rest(r), (V{"3:z", "3:f", "3:g", "3:h"}));
}

}  // namespace
}  // namespace orvane
