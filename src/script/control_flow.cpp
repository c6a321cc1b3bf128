// Control flow of the scene language: loops are rewritten into labels, `if`, `else` and
// `goto` before a file runs (pass 1), labels are recorded (pass 1b), and pass 2 executes
// `goto`/`jump`, `if`, `else` and `}`.
//
// Rewritten sequences (n and n+1 are generated label numbers):
//   do { B } while (C)     ->  SYS_LBLn: B if C { goto SYS_LBLn }
//   while (C) { B }        ->  SYS_LBLn: if C { B } else { goto SYS_LBLn+1 } goto SYS_LBLn SYS_LBLn+1:
//   for (I;C;S) { B }      ->  I SYS_LBLn: if C { B } else { goto SYS_LBLn+1 } S goto SYS_LBLn SYS_LBLn+1:

#include <cmath>
#include <cstring>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "foundation/error_output.h"
#include "script/interpreter.h"
#include "script/label_record.h"

namespace orvane {

namespace {

bool StartsWith(const String& s, const char* prefix) {
  return std::strncmp(s.c_str(), prefix, std::strlen(prefix)) == 0;
}

String Number(int n) {
  String s;
  s.Str(n);
  return s;
}

String Label(int n) { return String(" SYS_LBL") + Number(n); }

// The bytes of `s` from 0-based `from` to the end; empty when `from` is past the end.
String BytesFrom(const String& s, int from) {
  return from >= s.Length() ? String() : s.Mid(from + 1, s.Length() - from);
}

bool AtEnd(const TokenReader& reader) {
  return reader.status == TokenReader::kEndOfInput || reader.status == TokenReader::kNoInput;
}

// Bytes that a word always runs through: a token never starts right after one.
bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsWordByte(unsigned char c) {
  return (c > 32 && c <= 122) || c >= 128;
}

// Whether the line may hold a loop's word: "do" ending a word, or "while" or "for", each where
// a token could start (not right after a letter, digit or '_'). Comments and strings are not
// told apart, so this may say yes for a line without loops, never no for one with them.
bool MayHoldLoop(const String& line) {
  const char* s = line.c_str();
  const size_t n = static_cast<size_t>(line.Length());
  for (const char first : {'d', 'w', 'f'}) {
    for (const char* at = static_cast<const char*>(std::memchr(s, first, n)); at;
         at = static_cast<const char*>(std::memchr(at + 1, first, n - (at + 1 - s)))) {
      const size_t i = static_cast<size_t>(at - s);
      if (i > 0 && IsNameByte(s[i - 1])) continue;
      if (first == 'd' && i + 1 < n && s[i + 1] == 'o' &&
          (i + 2 == n || !IsWordByte(static_cast<unsigned char>(s[i + 2])))) {
        return true;
      }
      if (first == 'w' && n - i >= 5 && std::memcmp(at, "while", 5) == 0) return true;
      if (first == 'f' && n - i >= 3 && std::memcmp(at, "for", 3) == 0) return true;
    }
  }
  return false;
}

// Whether some line of `lines` passes `test`. Scene files are mostly long runs of values with
// neither loops nor labels; for them the token walks of passes 1 and 1b are skipped.
template <class Test>
bool AnyLine(const LIST* lines, Test test) {
  for (const ListNode* node = lines ? lines->head : nullptr; node; node = node->next) {
    const ListItem* item = node->item;
    if (!item) continue;
    const String* line = typeid(*item) == typeid(String) ? static_cast<const String*>(item)
                                                         : dynamic_cast<const String*>(item);
    if (line && test(*line)) return true;
  }
  return false;
}

}  // namespace

// Where a token stood: its line node, line number, byte range and number within the line.
struct TokenPlace {
  ListNode* node = nullptr;
  int32_t line = 0;
  int start = 0;
  int end = 0;
};

// Pass 1: walks all tokens and rewrites every loop in the line list.
class LoopRewriter {
 public:
  explicit LoopRewriter(ScriptInterpreter& in) : in_(in), reader_(in.reader_), scene_(in.scene_) {}

  bool Run() {
    reader_.UseLines(scene_.lines);
    for (;;) {
      const String& token = reader_.NextToken();
      if (AtEnd(reader_)) return true;
      if (reader_.tokenType != TokenReader::kWord) continue;
      bool ok = true;
      if (token == "do") {
        ok = RewriteDo();
      } else if (token == "while" || StartsWith(token, "while(")) {
        ok = RewriteWhile();
      } else if (token == "for" || StartsWith(token, "for(")) {
        ok = RewriteFor(String(token));  // a copy: the rewrite reads on
      }
      if (!ok) return false;
    }
  }

 private:
  struct Edit {
    TokenPlace from;
    TokenPlace to;  // the edit covers from.start up to to.end (to may lie on a later line)
    String text;
  };

  TokenPlace Here() const {
    return TokenPlace{reader_.lines ? reader_.lines->current : nullptr, reader_.lineNo,
                      reader_.tokenStart, reader_.tokenEnd};
  }

  void Error(const char* message) { in_.Report(DiagnosticKind::kError, message); }

  // Reads on to the `}` that closes the next block; `depth` counts the braces already open.
  bool FindClosingBrace(int depth, TokenPlace* closing) {
    bool opened = depth > 0;
    for (;;) {
      reader_.NextToken();
      if (AtEnd(reader_)) {
        Error("): reached end of file and missed '}'.\n");
        return false;
      }
      if (reader_.tokenType == TokenReader::kOpenBrace) {
        ++depth;
        opened = true;
      } else if (reader_.tokenType == TokenReader::kCloseBrace && opened && --depth == 0) {
        *closing = Here();
        return true;
      }
    }
  }

  // Replaces bytes [start, end) (0-based) of the line held by `node`.
  static void ReplaceText(ListNode* node, int start, int end, const String& text) {
    auto* old = static_cast<String*>(node->item);
    String* line = TryNew<String>(old->Left(start) + text + BytesFrom(*old, end));
    if (!line) {
      ErrorOutput() << "ERROR: String.constr\n";
      return;
    }
    node->item = line;
    if (node->owns) delete old;
  }

  // Applies the edits from the last to the first, so that earlier byte positions stay valid.
  static void Apply(std::vector<Edit>& edits) {
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
      const Edit& e = *it;
      if (!e.from.node || !e.to.node) continue;
      if (e.from.node == e.to.node) {
        ReplaceText(e.from.node, e.from.start, e.to.end, e.text);
        continue;
      }
      // Spanning lines: the text goes on the first line; the lines keep their numbers.
      ReplaceText(e.to.node, 0, e.to.end, String());
      for (ListNode* n = e.from.node->next; n && n != e.to.node; n = n->next) {
        ReplaceText(n, 0, static_cast<String*>(n->item)->Length(), String());
      }
      auto* first = static_cast<String*>(e.from.node->item);
      ReplaceText(e.from.node, e.from.start, first->Length(), e.text);
    }
  }

  // Continues the walk at byte `position` of line `line` (right after the rewritten text).
  void ResumeAt(int32_t line, int position) { reader_.GotoPosition(line, position); }

  // The loop's body must follow its condition: an `if` generated around anything else would
  // skip only one token when the condition is false and loop for ever.
  bool ExpectBody(const char* message) {
    reader_.NextToken();
    if (reader_.tokenType == TokenReader::kOpenBrace) return true;
    Error(message);
    return false;
  }

  int TakeLabels(int count) {
    int n = scene_.labelCounter;
    scene_.labelCounter += count;
    return n;
  }

  // do { B } while (C)
  bool RewriteDo() {
    TokenPlace word = Here();
    reader_.GetToken();
    if (reader_.tokenType != TokenReader::kOpenBrace) {
      Error("): missing '{' after 'do'.\n");
      return false;
    }
    TokenPlace brace = Here();
    TokenPlace closing;
    if (!FindClosingBrace(1, &closing)) return false;
    String after = reader_.GetToken();
    String condition;
    if (reader_.tokenType == TokenReader::kWord && after == "while") {
      condition = reader_.GetToken();
    } else if (reader_.tokenType == TokenReader::kWord && StartsWith(after, "while(")) {
      condition = after.Mid(6, after.Length());
    } else {
      Error("): missing 'while' after 'do'-block.\n");
      return false;
    }
    TokenPlace end = Here();
    int n = TakeLabels(1);
    String head = Label(n) + ": ";
    std::vector<Edit> edits = {
        {word, word, head},
        {brace, brace, String(" ")},
        {closing, end, String(" if ") + condition + " {goto " + Label(n) + "}"}};
    Apply(edits);
    ResumeAt(word.line, word.start + head.Length());
    return true;
  }

  // while (C) { B }  and  while(C) { B }
  bool RewriteWhile() {
    TokenPlace word = Here();
    if (reader_.token == "while") reader_.GetToken();  // the condition
    if (!ExpectBody("): missing '{' after 'while'-condition.\n")) return false;
    TokenPlace closing;
    if (!FindClosingBrace(1, &closing)) return false;
    int n = TakeLabels(2);
    String head = Label(n) + ": if ";
    TokenPlace keyword = word;
    keyword.end = word.start + 5;  // only the bytes of "while": a joined condition stays
    std::vector<Edit> edits = {
        {keyword, keyword, head},
        {closing, closing,
         String(" }else{goto ") + Label(n + 1) + "}goto " + Label(n) + Label(n + 1) + ": "}};
    Apply(edits);
    ResumeAt(word.line, word.start + head.Length());
    return true;
  }

  // for (init;cond;step) { B }  and  for(init;cond;step) { B }
  bool RewriteFor(const String& token) {
    TokenPlace word = Here();
    String header = token.Mid(4, token.Length());
    TokenPlace header_end = word;
    if (token == "for") {
      header = reader_.GetToken();
      header_end = Here();
    }
    if (header.Count(';') != 2) {
      Error("): 'for'-loop needs two ';'-seperators.\n");
      return false;
    }
    if (header.Length() < 2 || header.c_str()[0] != '(' ||
        header.c_str()[header.Length() - 1] != ')') {
      Error("): 'for'-loop must enclosed in parentses: for(;;).\n");
      return false;
    }
    int first = header.Find(';', 1);
    int second = header.Find(';', 2);
    String init = header.Mid(2, first - 2);
    String condition = header.Mid(first + 1, second - first - 1);
    String step = header.Mid(second + 1, header.Length() - second - 1);
    // An empty condition runs for ever, as a user of such loops expects; the generated `if`
    // needs a word there.
    if (condition.IsEmpty()) condition = "1";
    if (!ExpectBody("): missing '{' after 'for'-loop.\n")) return false;
    TokenPlace closing;
    if (!FindClosingBrace(1, &closing)) return false;
    int n = TakeLabels(2);
    String head = init + " " + Label(n) + ": if " + condition + " ";
    TokenPlace after_closing = closing;
    after_closing.start = closing.end;  // an insertion: nothing of the line is replaced
    after_closing.end = closing.end;
    std::vector<Edit> edits = {
        {word, header_end, head},
        {after_closing, after_closing,
         String(" else{goto ") + Label(n + 1) + "}" + step + " goto " + Label(n) + " " +
             Label(n + 1) + ": "}};
    Apply(edits);
    ResumeAt(word.line, word.start + head.Length());
    return true;
  }

  ScriptInterpreter& in_;
  TokenReader& reader_;
  Scene& scene_;
};

bool ScriptInterpreter::RewriteLoops() {
  if (!AnyLine(scene_.lines, MayHoldLoop)) return true;  // the walk would change nothing
  return LoopRewriter(*this).Run();
}

// Pass 1b: records every label with its line, token number and brace depth.
bool ScriptInterpreter::CollectLabels() {
  // A label is a word that ends in ':'.
  const auto holds_colon = [](const String& line) {
    return std::memchr(line.c_str(), ':', static_cast<size_t>(line.Length())) != nullptr;
  };
  if (!AnyLine(scene_.lines, holds_colon)) return true;
  reader_.UseLines(scene_.lines);
  int depth = 0;
  for (;;) {
    const String& token = reader_.NextToken();
    if (AtEnd(reader_)) return true;
    if (reader_.tokenType == TokenReader::kOpenBrace) ++depth;
    if (reader_.tokenType == TokenReader::kCloseBrace) --depth;
    if (reader_.tokenType != TokenReader::kWord || token.Length() == 0 ||
        token.c_str()[token.Length() - 1] != ':') {
      continue;
    }
    String name = token.Left(token.Length() - 1);
    if (label_index_.Find(scene_.labels, std::string_view(name.c_str(), name.Length()))) {
      Report(DiagnosticKind::kError, "): Label already exists.\n");
      return false;
    }
    LabelRecord* record =
        TryNew<LabelRecord>(name, reader_.lineNo, reader_.tokenCount, depth, reader_.tokenStart);
    if (!record || !scene_.labels->Append(record, 1)) {
      delete record;
      ErrorOutput() << "ERROR: Could not allocate label.\n";
      return false;
    }
  }
}

// goto label | jump label
ScriptInterpreter::Flow ScriptInterpreter::Goto(const String&, GroupObject*) {
  const String& name = reader_.NextToken();
  const std::vector<LabelRecord*>* labels =
      label_index_.Find(scene_.labels, std::string_view(name.c_str(), name.Length()));
  for (size_t i = 0; labels && i < labels->size(); ++i) {
    const LabelRecord& label = *(*labels)[i];
    if (label.kind == 0) {
      reader_.GotoPosition(label.lineNo, label.bytePos);
      scene_.ifDepth = label.depth;
      return Flow::kContinue;
    }
  }
  Report(DiagnosticKind::kError, (String("): Label \"") + name + "\" not found.\n").c_str());
  return Flow::kStop;
}

// if C { ... } [else { ... }]  and  if(C) { ... } [else { ... }]
ScriptInterpreter::Flow ScriptInterpreter::If(const String& token) {
  float value = 0.0f;
  if (token == "if") {
    const String& condition = reader_.NextToken();
    value = EvaluateView(std::string_view(condition.c_str(), condition.Length()));
  } else {
    value = EvaluateView(std::string_view(token.c_str(), token.Length()).substr(2));
  }
  bool truth = std::fabs(value) >= 1e-6f;
  reader_.NextToken();
  if (truth) {
    if (reader_.tokenType == TokenReader::kOpenBrace) ++scene_.ifDepth;
    return Flow::kContinue;  // any other token is dropped
  }
  if (reader_.tokenType == TokenReader::kOpenBrace && !SkipBlock()) return Flow::kStop;
  const String& next = reader_.NextToken();
  if (reader_.tokenType == TokenReader::kWord && next == "else") {
    reader_.NextToken();
    if (reader_.tokenType == TokenReader::kOpenBrace) {
      ++scene_.ifDepth;
    } else {
      Report(DiagnosticKind::kWarning, "): found 'else' without block-init '{'.\n");
    }
  } else if (!AtEnd(reader_)) {
    reader_.PushBack(next);
  }
  return Flow::kContinue;
}

// else { ... } reached after a true block: the else block is skipped.
ScriptInterpreter::Flow ScriptInterpreter::Else() {
  reader_.NextToken();
  if (reader_.tokenType != TokenReader::kOpenBrace) {
    Report(DiagnosticKind::kWarning, "): found 'else' without block-init '{'.\n");
    return Flow::kContinue;
  }
  return SkipBlock() ? Flow::kContinue : Flow::kStop;
}

void ScriptInterpreter::CloseBrace() {
  if (scene_.ifDepth > 0) {
    --scene_.ifDepth;
  } else {
    Report(DiagnosticKind::kWarning, "): found here useless '}'.\n");
  }
}

}  // namespace orvane
