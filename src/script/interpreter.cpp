#include "script/interpreter.h"

#include <array>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string_view>

#include "foundation/error_output.h"
#include "script/named_value.h"

namespace orvane {

namespace {

// Until the scene commands are plugged in, an item statement is reported and its block is
// skipped, so the rest of the file still runs.
class SkippingItemStatements : public ItemStatements {
 public:
  int Item(ScriptInterpreter& in, const String& keyword, GroupObject*) override {
    Unrecognized(in, keyword);
    TokenReader& reader = in.reader();
    String next = reader.GetToken();
    if (reader.tokenType != TokenReader::kOpenBrace && reader.tokenType != TokenReader::kNoToken) {
      next = reader.GetToken();  // the name word of the header
    }
    if (reader.tokenType == TokenReader::kOpenBrace) return in.SkipBlock() ? 0 : -1;
    if (reader.tokenType != TokenReader::kNoToken) reader.PushBack(next);
    return 0;
  }
  int Member(ScriptInterpreter& in, const String& word) override {
    Unrecognized(in, word);
    return 0;
  }

 private:
  static void Unrecognized(ScriptInterpreter& in, const String& word) {
    in.Report(DiagnosticKind::kWarning, (String("): unrecognized token: ") + word + "\n").c_str());
  }
};

SkippingItemStatements g_skipping_items;

// Item keywords, in the order of the statement table.
const char* const kItemKeywords[] = {"object",  "points", "trimesh",  "construct", "sphere",
                                     "plane",   "light",  "material", "image",     "palette",
                                     "fractal", "chess",  "fade",     "camera"};

bool EndsWith(const String& s, char c) {
  return s.Length() > 0 && s.c_str()[s.Length() - 1] == c;
}

bool StartsWith(const String& s, const char* prefix) {
  return std::strncmp(s.c_str(), prefix, std::strlen(prefix)) == 0;
}

bool IsComparisonByte(char c) {
  return c == '=' || c == '<' || c == '>';
}

std::string_view View(const String& s) {
  return std::string_view(s.c_str(), static_cast<size_t>(s.Length()));
}

// Positions (0-based) of the single '=' bytes of `word`.
int NextSingleEquals(std::string_view word, int from) {
  const int length = static_cast<int>(word.size());
  for (int i = from; i < length; ++i) {
    if (word[i] != '=') continue;
    bool before = i > 0 && IsComparisonByte(word[i - 1]);
    bool after = i + 1 < length && IsComparisonByte(word[i + 1]);
    if (!before && !after) return i;
  }
  return -1;
}

}  // namespace

bool HoldsSingleEquals(const String& word) {
  return NextSingleEquals(View(word), 0) >= 0;
}

bool IsItemKeyword(const String& word) {
  for (const char* keyword : kItemKeywords) {
    if (word == keyword) return true;
  }
  return false;
}

// ORDER: the statement loop tests keywords in this order, before the word patterns
// (label, if, '}', else, assignment, member statement).
const ScriptInterpreter::StatementEntry ScriptInterpreter::kStatements[] = {
    {"comment", &ScriptInterpreter::Comment},       // comment "text" | comment expression
    {"nl", &ScriptInterpreter::Newline},            // nl
    {"flush", &ScriptInterpreter::Flush},           // flush
    {"float", &ScriptInterpreter::Declare},         // float a,b[n],...
    {"object", &ScriptInterpreter::ItemStatement},  // item blocks: keyword [name] { ... }
    {"points", &ScriptInterpreter::ItemStatement},
    {"trimesh", &ScriptInterpreter::ItemStatement},
    {"construct", &ScriptInterpreter::ItemStatement},
    {"sphere", &ScriptInterpreter::ItemStatement},
    {"plane", &ScriptInterpreter::ItemStatement},
    {"light", &ScriptInterpreter::ItemStatement},
    {"material", &ScriptInterpreter::ItemStatement},
    {"image", &ScriptInterpreter::ItemStatement},
    {"palette", &ScriptInterpreter::ItemStatement},
    {"fractal", &ScriptInterpreter::ItemStatement},
    {"chess", &ScriptInterpreter::ItemStatement},
    {"fade", &ScriptInterpreter::ItemStatement},
    {"camera", &ScriptInterpreter::ItemStatement},
    {"TRACE!", &ScriptInterpreter::Trace},            // TRACE! <frame> | TRACE! <>
    {"raytrace", &ScriptInterpreter::ItemStatement},  // raytrace { settings }
    {"goto", &ScriptInterpreter::Goto},               // goto label
    {"jump", &ScriptInterpreter::Goto},               // jump label
    {"EXIT!", &ScriptInterpreter::Exit},              // EXIT!
};

ScriptInterpreter::ScriptInterpreter(Scene& scene, std::ostream& out, std::ostream& err)
    : scene_(scene),
      out_(out),
      err_(err),
      expressions_(scene.variables, DiagnosticContext{&err, &scene.fileName, &reader_.lineNo}),
      items_(&g_skipping_items) {
  reader_.SetErrorStream(&err);
}

void ScriptInterpreter::SetItemStatements(ItemStatements* items) {
  items_ = items ? items : &g_skipping_items;
}

float ScriptInterpreter::Evaluate(const String& text) {
  expressions_.SetVariables(scene_.variables);
  return expressions_.Evaluate(text);
}

float ScriptInterpreter::EvaluateView(std::string_view text) {
  expressions_.SetVariables(scene_.variables);
  return expressions_.EvaluateView(text);
}

void ScriptInterpreter::Report(DiagnosticKind kind, const char* message) {
  WriteDiagnostic(err_, scene_.fileName, kind, reader_.lineNo, message);
}

bool ScriptInterpreter::SkipBlock() {
  int depth = 1;
  while (depth > 0) {
    reader_.NextToken();
    if (reader_.status == TokenReader::kEndOfInput || reader_.status == TokenReader::kNoInput) {
      Report(DiagnosticKind::kError, "): reached end of file and missed '}'.\n");
      return false;
    }
    if (reader_.tokenType == TokenReader::kOpenBrace) ++depth;
    if (reader_.tokenType == TokenReader::kCloseBrace) --depth;
  }
  return true;
}

int ScriptInterpreter::Run(const char* file_name, GroupObject* parent) {
  if (!file_name) {
    if (!parent) return kRunOk;
    return Statements(parent, true);
  }
  int loaded = LoadFile(file_name);
  if (loaded != kRunOk) return loaded;
  // The passes before execution read every token too; the reader's own diagnostics are
  // reported once, when pass 2 reads the token again.
  std::ostream silent(nullptr);
  reader_.SetErrorStream(&silent);
  bool prepared = RewriteLoops() && CollectLabels();
  reader_.SetErrorStream(&err_);
  if (!prepared) return kRunFailed;
  reader_.UseLines(scene_.lines);
  return Statements(parent, false);
}

int ScriptInterpreter::LoadFile(const char* file_name) {
  String found(file_name);
  if (reader_.Open(found.c_str()) != 0) {
    found += ".ovs";
    if (reader_.Open(found.c_str()) != 0) {
      err_ << "ERROR: .ovs-file " << file_name << " not found.\n";
      return kRunFailed;
    }
  }
  reader_.Close();
  scene_.fileName = found;
  if (!scene_.EnsureLists(err_)) return kRunFailed;
  expressions_.SetVariables(scene_.variables);
  scene_.ifDepth = 0;

  std::ifstream in(found.c_str(), std::ios::binary);
  if (!in) {
    err_ << "ERROR: .ovs-file " << file_name << " not found/readable.\n";
    return kRunFailed;
  }
  scene_.lines->RemoveAll();
  LoadLines(in, scene_.lines, reader_.maxLine);
  in.close();
  reader_.UseLines(scene_.lines);
  return kRunOk;
}

int ScriptInterpreter::Statements(GroupObject* parent, bool nested) {
  String token;  // each statement's first token, in one buffer for the whole run
  for (;;) {
    const String& read = reader_.NextToken();
    token.SetBytes(read.c_str(), read.Length());
    if (reader_.tokenType == TokenReader::kNoToken &&
        (reader_.status == TokenReader::kEndOfInput || reader_.status == TokenReader::kNoInput)) {
      return kRunOk;
    }
    if (interrupt_ && interrupt_()) {
      Report(DiagnosticKind::kError, "run stopped.");
      return kRunFailed;
    }
    switch (Dispatch(token, parent, nested)) {
      case Flow::kContinue:
        break;
      case Flow::kEnd:
        return kRunOk;
      case Flow::kStop:
        return kRunFailed;
    }
    if (reader_.status == TokenReader::kEndOfInput || reader_.status == TokenReader::kNoInput) {
      return kRunOk;
    }
    if (parent && reader_.token == "}") return kRunOk;
  }
}

ScriptInterpreter::Flow ScriptInterpreter::Dispatch(const String& token, GroupObject* parent,
                                                    bool nested) {
  const bool word = reader_.tokenType == TokenReader::kWord;
  if (nested && parent && reader_.tokenType == TokenReader::kCloseBrace) {
    reader_.PushBack(token);  // the caller's block ends here
    return Flow::kEnd;
  }
  if (word) {
    // The first bytes of the keywords, so that most words skip the table.
    static const std::array<bool, 256> kStartsKeyword = [] {
      std::array<bool, 256> starts{};
      for (const StatementEntry& entry : kStatements) {
        starts[static_cast<unsigned char>(entry.keyword[0])] = true;
      }
      return starts;
    }();
    const char first = token.c_str()[0];
    if (kStartsKeyword[static_cast<unsigned char>(first)]) {
      for (const StatementEntry& entry : kStatements) {
        if (entry.keyword[0] == first && token == entry.keyword) {
          return (this->*entry.run)(token, parent);
        }
      }
    }
    if (EndsWith(token, ':')) return Flow::kContinue;  // a label: nothing to do in pass 2
    if (first == 'i' && (token == "if" || StartsWith(token, "if("))) return If(token);
    if (first == 'e' && token == "else") return Else();
    if (HoldsSingleEquals(token)) return Assign(token);
    if (token.Find('.') > 0) {
      return items_->Member(*this, token) < 0 ? Flow::kStop : Flow::kContinue;
    }
  } else if (reader_.tokenType == TokenReader::kCloseBrace) {
    CloseBrace();
    return Flow::kContinue;
  }
  Report(DiagnosticKind::kWarning, (String("): unrecognized token: ") + token + "\n").c_str());
  return Flow::kContinue;
}

// comment "text" | comment expression
ScriptInterpreter::Flow ScriptInterpreter::Comment(const String&, GroupObject*) {
  const String& operand = reader_.NextToken();
  if (reader_.tokenType == TokenReader::kString) {
    out_ << operand.Mid(2, operand.Length() - 2);
    out_.flush();
  } else if (reader_.tokenType == TokenReader::kWord) {
    out_ << Evaluate(operand);
    out_.flush();
  } else {
    Report(DiagnosticKind::kWarning, "): comment must given by \"...\". \n");
  }
  return Flow::kContinue;
}

ScriptInterpreter::Flow ScriptInterpreter::Newline(const String&, GroupObject*) {
  out_ << '\n';
  return Flow::kContinue;
}

ScriptInterpreter::Flow ScriptInterpreter::Flush(const String&, GroupObject*) {
  out_.flush();
  return Flow::kContinue;
}

// float name, name[n], ...   (a word ending in ',' continues the list in the next word)
ScriptInterpreter::Flow ScriptInterpreter::Declare(const String&, GroupObject*) {
  String list = reader_.GetToken();
  if (reader_.tokenType != TokenReader::kWord) {
    Report(DiagnosticKind::kWarning, "): wrong variable assignment. \n");
    return Flow::kContinue;
  }
  for (;;) {
    // Split at the commas outside brackets and parentheses: `b[max(1,2)]` is one declaration.
    int depth = 0;
    int start = 0;
    const char* s = list.c_str();
    for (int i = 0; i <= list.Length(); ++i) {
      char c = s[i];
      if (c == '[' || c == '(') ++depth;
      if ((c == ']' || c == ')') && depth > 0) --depth;
      if (c == '\0' || (c == ',' && depth == 0)) {
        if (i > start) DeclareOne(list.Mid(start + 1, i - start));
        start = i + 1;
      }
    }
    if (!EndsWith(list, ',')) break;
    String more = reader_.GetToken();
    if (reader_.tokenType != TokenReader::kWord) {
      if (reader_.tokenType != TokenReader::kNoToken) reader_.PushBack(more);
      break;
    }
    list = more;
  }
  return Flow::kContinue;
}

void ScriptInterpreter::DeclareOne(const String& declaration) {
  reader_.PushBack(declaration);
  String word = reader_.GetToken();
  String variable = reader_.GetName();
  int count = 1;
  if (reader_.valueText.Length() > 0) {
    float n = Evaluate(reader_.valueText);
    // Sizes beyond the list's reach are cut: a declaration cannot exhaust memory.
    constexpr float kMaxEntries = 1 << 20;
    if (n > kMaxEntries) n = kMaxEntries;
    if (n > 1) count = static_cast<int>(n);
  }
  for (int i = 0; i < count; ++i) {
    NamedValue* value = TryNew<NamedValue>(variable);
    if (!value || !scene_.variables->Append(value, 1)) {
      delete value;
      ErrorOutput() << "ERROR: Could not allocate variable.\n";
      return;
    }
  }
}

// name | name[index]: the index text runs from the first '[' to the last ']'.
NamedValue* ScriptInterpreter::Target(std::string_view target) {
  const size_t open = target.find('[');
  if (open == std::string_view::npos) return Variable(target, 0);
  const size_t close = target.rfind(']');
  const std::string_view index_text = close != std::string_view::npos && close > open
                                          ? target.substr(open + 1, close - open - 1)
                                          : std::string_view();
  float index = EvaluateView(index_text);
  int i = index >= 2147483647.0f ? 2147483647 : index > 0 ? static_cast<int>(index) : 0;
  return Variable(target.substr(0, open), i);
}

NamedValue* ScriptInterpreter::Variable(std::string_view name, int index) {
  expressions_.SetVariables(scene_.variables);
  return expressions_.Variable(name, index);
}

// target=expression, target=target=...=expression, with an optional trailing ';'
ScriptInterpreter::Flow ScriptInterpreter::Assign(const String& token) {
  std::string_view statement = View(token);
  if (!statement.empty() && statement.back() == ';') statement.remove_suffix(1);
  int positions[64];
  int count = 0;
  for (int at = NextSingleEquals(statement, 0); at >= 0; at = NextSingleEquals(statement, at + 1)) {
    if (count == static_cast<int>(std::size(positions))) break;
    positions[count++] = at;
  }
  int last = positions[count - 1];
  float value = EvaluateView(statement.substr(static_cast<size_t>(last) + 1));
  for (int k = count - 1; k >= 0; --k) {
    int begin = k == 0 ? 0 : positions[k - 1] + 1;
    NamedValue* variable = Target(
        statement.substr(static_cast<size_t>(begin), static_cast<size_t>(positions[k] - begin)));
    if (!variable) {
      Report(DiagnosticKind::kWarning, "): variable not found \n");
      continue;
    }
    variable->value = value;
  }
  return Flow::kContinue;
}

ScriptInterpreter::Flow ScriptInterpreter::ItemStatement(const String& token, GroupObject* parent) {
  return items_->Item(*this, token, parent) < 0 ? Flow::kStop : Flow::kContinue;
}

// TRACE! <frame>  |  TRACE! <>
ScriptInterpreter::Flow ScriptInterpreter::Trace(const String&, GroupObject*) {
  String value = reader_.GetToken();
  if (reader_.tokenType != TokenReader::kValue) {
    Report(DiagnosticKind::kSyntaxError, "): no frame-number given.\n");
    return Flow::kContinue;
  }
  int frame = -1;
  if (value != "<>") {
    float number = Evaluate(reader_.GetValue(1));
    if (number != number) number = 0;  // nan
    if (number > 2147483520.0f) number = 2147483520.0f;
    if (number < -2147483520.0f) number = -2147483520.0f;
    frame = static_cast<int>(number);
  }
  if (renderer_) renderer_->RenderFrame(scene_, frame);
  return Flow::kContinue;
}

ScriptInterpreter::Flow ScriptInterpreter::Exit(const String&, GroupObject*) {
  return Flow::kEnd;
}

}  // namespace orvane
