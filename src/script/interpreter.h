#pragma once
// ScriptInterpreter: runs scene-language files (".ovs", ".ovo", ".ovm") on a Scene.
//
// A run loads the file into the scene's line list, rewrites its loops into labels, `if`,
// `else` and `goto` (pass 1), records the labels (pass 1b) and then executes the statements
// (pass 2). Statements that create or change scene items are handed to an ItemStatements
// handler; `TRACE!` calls a FrameRenderer. Script output ("comment", "nl") goes to `out`,
// every diagnostic to `err`.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string_view>

#include "foundation/ov_string.h"
#include "scene/scene.h"
#include "script/diagnostics.h"
#include "script/expression.h"
#include "script/label_record.h"
#include "script/name_index.h"
#include "script/token_reader.h"

namespace orvane {

class GroupObject;
class ScriptInterpreter;

// The statements that create or change scene items: the item keywords ("object", "sphere",
// "light", ...), "raytrace" and member statements `name.parameter`.
class ItemStatements {
 public:
  virtual ~ItemStatements() = default;
  // The reader stands right after `keyword`. New items go into `parent`'s members when it is
  // given. Returns 0 to go on with the next statement, -1 to stop the run.
  virtual int Item(ScriptInterpreter& interpreter, const String& keyword, GroupObject* parent) = 0;
  // `word` is the whole member statement token. Same results as Item.
  virtual int Member(ScriptInterpreter& interpreter, const String& word) = 0;
};

// Renders one frame for `TRACE!`; frame -1 stands for a picture without a number.
class FrameRenderer {
 public:
  virtual ~FrameRenderer() = default;
  virtual void RenderFrame(Scene& scene, int frame) = 0;
};

// True for the words the statement loop hands to ItemStatements::Item.
bool IsItemKeyword(const String& word);

class ScriptInterpreter {
 public:
  // Runs return these.
  static constexpr int kRunOk = 0;
  static constexpr int kRunFailed = -1;

  ScriptInterpreter(Scene& scene, std::ostream& out, std::ostream& err);
  ScriptInterpreter(const ScriptInterpreter&) = delete;
  ScriptInterpreter& operator=(const ScriptInterpreter&) = delete;

  // With a file name: a complete run of that file (".ovs" is added when the name as given
  // cannot be opened). Without one and with a parent: the statements up to the `}` that
  // closes the parent's block, from the reader's position. Returns 0 on a normal end
  // (end of input, EXIT!, the closing `}`), -1 after an error that stops the run.
  int Run(const char* file_name, GroupObject* parent = nullptr);

  // Not owned; null restores the built-in handlers (items: a warning and the block skipped;
  // TRACE!: nothing is rendered).
  void SetItemStatements(ItemStatements* items);
  void SetFrameRenderer(FrameRenderer* renderer) { renderer_ = renderer; }
  // Asked before every statement (loops come back to it at every turn); a true answer stops
  // the run with the ERROR "run stopped." The editor's Cancel of a load goes through it. Null
  // (the default) never stops.
  void SetInterrupt(std::function<bool()> interrupt) { interrupt_ = std::move(interrupt); }

  Scene& scene() { return scene_; }
  TokenReader& reader() { return reader_; }
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }

  // Evaluates an expression with the scene's variables.
  float Evaluate(const String& text);
  // A statement diagnostic at the reader's current line, in the scene's file.
  void Report(DiagnosticKind kind, const char* message);
  // Skips tokens to the `}` that matches an already read `{`. False (with the "missed '}'"
  // error reported) when the input ends first.
  bool SkipBlock();

 private:
  enum class Flow { kContinue, kEnd, kStop };
  using StatementFn = Flow (ScriptInterpreter::*)(const String& token, GroupObject* parent);
  struct StatementEntry {
    const char* keyword;
    StatementFn run;
  };
  static const StatementEntry kStatements[];

  int LoadFile(const char* file_name);
  int Statements(GroupObject* parent, bool nested);
  Flow Dispatch(const String& token, GroupObject* parent, bool nested);

  // Simple statements (interpreter.cpp).
  Flow Comment(const String& token, GroupObject* parent);
  Flow Newline(const String& token, GroupObject* parent);
  Flow Flush(const String& token, GroupObject* parent);
  Flow Declare(const String& token, GroupObject* parent);
  Flow ItemStatement(const String& token, GroupObject* parent);
  Flow Trace(const String& token, GroupObject* parent);
  Flow Exit(const String& token, GroupObject* parent);
  Flow Assign(const String& token);
  void DeclareOne(const String& declaration);
  NamedValue* Target(std::string_view target);
  // The variable entry as FindVariable finds it, through the evaluator's index.
  NamedValue* Variable(std::string_view name, int index);
  float EvaluateView(std::string_view text);

  // Control flow (control_flow.cpp).
  bool RewriteLoops();
  bool CollectLabels();
  Flow Goto(const String& token, GroupObject* parent);
  Flow If(const String& token);
  Flow Else();
  void CloseBrace();
  void ElseBlockAfterFalse();

  Scene& scene_;
  std::ostream& out_;
  std::ostream& err_;
  TokenReader reader_;
  ExpressionEvaluator expressions_;
  NameIndex<LabelRecord> label_index_;  // the scene's labels by name
  ItemStatements* items_;
  FrameRenderer* renderer_ = nullptr;
  std::function<bool()> interrupt_;
  friend class LoopRewriter;
};

// True when `word` holds an '=' that is not part of "==", "<=", ">=", "=<", "=>".
bool HoldsSingleEquals(const String& word);

}  // namespace orvane
