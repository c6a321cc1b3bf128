#include "script/interpreter.h"

#include <gtest/gtest.h>

#include <utility>

#include "foundation/error_output.h"
#include "script_test_support.h"

namespace orvane {
namespace {

struct RunResult {
  int result;
  std::string out;
  std::string err;
  bool operator==(const RunResult&) const = default;
};

void PrintTo(const RunResult& r, std::ostream* os) {
  *os << "{" << r.result << ", out \"" << r.out << "\", err \"" << r.err << "\"}";
}

// Remembers the frame number of every TRACE!; frame 0 arms `failures` failing allocations.
class RecordingRenderer : public FrameRenderer {
 public:
  void RenderFrame(Scene&, int frame) override {
    frames.push_back(frame);
    if (frame == 0 && failures) FailNextAllocations(failures);
  }
  std::vector<int> frames;
  int failures = 0;
};

// Records each item statement as "keyword:next token".
class RecordingItems : public ItemStatements {
 public:
  int Item(ScriptInterpreter& in, const String& keyword, GroupObject*) override {
    String next = in.reader().GetToken();
    log.push_back(test::S(keyword) + ":" + test::S(next));
    return log.size() >= limit ? -1 : 0;
  }
  int Member(ScriptInterpreter&, const String&) override { return 0; }
  std::vector<std::string> log;
  size_t limit = 20;  // stops a run that would not end by itself
};

class InterpreterTest : public test::ScriptFiles {
 protected:
  void TearDown() override {
    FailNextAllocations(0);
    SetErrorOutput(nullptr);
    ScriptFiles::TearDown();
  }
  // Runs the file at `path` on scene_ with the fixture's handler and renderer.
  RunResult RunFile(const std::string& path) {
    std::ostringstream out, err;
    ScriptInterpreter interpreter(scene_, out, err);
    interpreter.SetItemStatements(items_);
    interpreter.SetFrameRenderer(&renderer_);
    int result = interpreter.Run(path.c_str());
    return {result, out.str(), err.str()};
  }
  RunResult RunScript(const std::string& text, const std::string& name = "t.ovs") {
    path_ = Write(name, text);
    return RunFile(path_);
  }
  struct Case {
    std::string text;
    RunResult expected;
  };
  // Runs each case as t.ovs, on a cleared scene unless the cases `share` their variables.
  void Check(const std::vector<Case>& cases, bool share = false) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.text.substr(0, 100));
      if (!share) scene_.DeleteLists();
      EXPECT_EQ(RunScript(c.text), c.expected);
    }
  }
  RecordingRenderer renderer_;
  RecordingItems recorder_;
  ItemStatements* items_ = nullptr;
};

TEST_F(InterpreterTest, TraceRendersTheEvaluatedFrameNumberTruncated) {
  EXPECT_EQ(RunScript("float n,i n=3\nTRACE! <>\nTRACE! <n*2>\nTRACE! <2.9>\nTRACE! <-2.9>\n"
                      "TRACE! <3,7>\nfor(i=0;i<3;i=i+1){ TRACE! <i> }\n"),
            (RunResult{0, "", ""}));
  EXPECT_EQ(renderer_.frames, (std::vector<int>{-1, 6, 2, -2, 3, 0, 1, 2}));
  renderer_.frames.clear();
  Check({{"comment \"a\"\nTRACE! frame\ncomment \"b\"\n",
          {0, "ab", Diag("Syntax error", 2, "): no frame-number given.\n")}}});
  EXPECT_TRUE(renderer_.frames.empty());
}

TEST_F(InterpreterTest, NullHandlerRestoresTheBuiltInSkipping) {
  std::ostringstream out, err;
  ScriptInterpreter interpreter(scene_, out, err);
  interpreter.SetItemStatements(&recorder_);
  interpreter.SetItemStatements(nullptr);
  Write("t.ovs", "sphere ball {\n radius <1>\n}\nball.radius\ncomment \"after\"\n");
  EXPECT_EQ(interpreter.Run(path_.c_str()), 0);
  EXPECT_EQ(out.str(), "after");
  EXPECT_EQ(err.str(), Diag("Warning", 1, "): unrecognized token: sphere\n") +
                           Diag("Warning", 4, "): unrecognized token: ball.radius\n"));
  EXPECT_TRUE(recorder_.log.empty());
}

// Variables and labels stay in the Scene; open if blocks do not.
TEST_F(InterpreterTest, RunsOnOneSceneShareVariablesAndLabels) {
  EXPECT_EQ(RunScript("float i, t\nwhile(i<2){ i=i+1 }\nt=10 top: if(1){\n", "a.ovs").err, "");
  // The loop labels get new numbers.
  RunResult r = RunScript("for(i=0;i<2;i=i+1){ t=t+i }\ncomment t comment i\n}\n", "b.ovs");
  EXPECT_EQ(r, (RunResult{0, "112", Diag("Warning", 3, "): found here useless '}'.\n")}));
  r = RunScript("comment \"never\"\n top: comment \"b\"\n", "c.ovs");
  EXPECT_EQ(r, (RunResult{-1, "", Diag("ERROR", 2, "): Label already exists.\n")}));
}

TEST_F(InterpreterTest, LoopsJumpsAndTheirDiagnostics) {
  const std::string bogus = Diag("Warning", 4, "): unrecognized token: bogus\n");
  const std::string odd = Diag("Warning", 8, "): unrecognized token: odd\n");
  const std::string missed = "): reached end of file and missed '}'.\n";
  Check({
      // Out of two open blocks: the '}' after the label has nothing left to close.
      {"if(1){\n if(1){ goto out }\n}\nout: comment \"a\"\n}\n",
       {0, "a", Diag("Warning", 5, "): found here useless '}'.\n")}},
      // Into an if block: its '}' closes it without a warning.
      {"goto in\nif(1){\n in: comment \"b\"\n}\ncomment \"c\"\n", {0, "bc", ""}},
      // Into a loop body: the loop goes on.
      {"float i\ngoto mid\nwhile(i<3){\n comment \"x\"\n mid: comment i\n i=i+1\n}\n"
       "comment \"end\"\n",
       {0, "0x1x2end", ""}},
      {"float i, j, k\nfor(i=0;i<2;i=i+1){\n  j=0\n  while(j<2){\n    k=0\n    do {\n"
       "      comment i*100+j*10+k comment \",\"\n      k=k+1\n    } while (k<2)\n"
       "    j=j+1\n  }\n}\n",
       {0, "0,1,10,11,100,101,110,111,", ""}},
      // Diagnostics in rewritten loops name the lines of the file, `while` on its own line too.
      {"float i\nwhile(i<2){\n  i=i+1\n  bogus\n}\ndo {\n  i=i-1\n  odd\n}\nwhile\n(i>0)\nlast\n",
       {0, "", bogus + bogus + odd + odd + Diag("Warning", 12, "): unrecognized token: last\n")}},
      // Loop errors stop the run before its first statement; an open false `if` when reached.
      {"comment \"x\"\ndo comment 1 } while(0)\n",
       {-1, "", Diag("ERROR", 2, "): missing '{' after 'do'.\n")}},
      {"comment \"x\"\ndo { comment 1 }\ncomment 2\n",
       {-1, "", Diag("ERROR", 3, "): missing 'while' after 'do'-block.\n")}},
      {"comment \"x\"\nwhile(1){\n comment 1", {-1, "", Diag("ERROR", 3, missed)}},
      {"comment \"x\"\nfor (i;i) { }\n",
       {-1, "", Diag("ERROR", 2, "): 'for'-loop needs two ';'-seperators.\n")}},
      {"comment \"x\"\nfor x;; { }\n",
       {-1, "", Diag("ERROR", 2, "): 'for'-loop must enclosed in parentses: for(;;).\n")}},
      {"comment \"x\"\nif(0){\n comment 1", {-1, "x", Diag("ERROR", 3, missed)}},
  });
}

// Endless loops of every kind and an endless jump end when the interrupt says so.
TEST_F(InterpreterTest, TheInterruptStopsEndlessRuns) {
  for (const char* script : {"float i\nfor(i=0;1;i=i+1){ i=i }\n", "while(1){ }\n",
                             "do { } while (1)\n", "top:\ngoto top\n"}) {
    SCOPED_TRACE(script);
    path_ = Write("endless.ovs", script);
    std::ostringstream out, err;
    ScriptInterpreter interpreter(scene_, out, err);
    int asked = 0;
    interpreter.SetInterrupt([&asked] { return ++asked > 1000; });
    EXPECT_EQ(interpreter.Run(path_.c_str()), ScriptInterpreter::kRunFailed);
    EXPECT_EQ(asked, 1001);
    EXPECT_NE(err.str().find(": ERROR (line "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("run stopped."), std::string::npos) << err.str();
  }
}

// Loop words and labels right after other tokens are found; words holding them are no loops.
TEST_F(InterpreterTest, LoopsAndLabelsRightAfterOtherTokens) {
  // The runs share the scene and so their variables: each case starts with i=0.
  Check({{"float i i=0\ncomment \"a\"do { i=i+1 } while(i<3)\ncomment i\n", {0, "a3", ""}},
         {"i=0 /* x */for(i=0;i<2;i=i+1){ comment i }\n", {0, "01", ""}},
         {"i=0\nTRACE! <1>again: i=i+1 if(i<3){ goto again }\ncomment i\n", {0, "3", ""}},
         {"float has_shadow, do_it, format\nhas_shadow=1 do_it=2 format=3\n"
          "comment has_shadow+do_it+format\n",
          {0, "6", ""}},
         {"i=0\n/* do { */ comment \"c\"\n", {0, "c", ""}}},
        true);
}

// A jump reads the label's line again and counts tokens: a line that begins inside a block
// comment was cut differently than when the labels were recorded, so jumps landed too early.
TEST_F(InterpreterTest, JumpsLandOnTheirLabelAfterAMultiLineComment) {
  RunResult r = RunScript("goto skip\n/* a\n b c */ comment \"b\" skip: comment \"c\"", "a.ovs");
  EXPECT_EQ(r, (RunResult{0, "c", ""}));
  items_ = &recorder_;
  r = RunScript(
      "float i\n/* counting\n below */ light n while(i<3){ comment i i=i+1 }\n"
      "comment \"end\"",
      "b.ovs");
  EXPECT_EQ(r, (RunResult{0, "012end", ""}));
  EXPECT_EQ(recorder_.log, (std::vector<std::string>{"light:n"}));
}

// A loop's `if` skipped the body only when '{' came right after the condition; otherwise (or
// with `for(;;)`) the jump back ran for ever. The handler's limit stops such a run.
TEST_F(InterpreterTest, LoopsWithoutTheirBlockRightAfterTheConditionEnd) {
  for (const char* text : {"while(0) x { light n }", "float i\nfor(i=0;i<1;i=i+1) x { light n }",
                           "for(;;){ EXIT! light n }"}) {
    SCOPED_TRACE(text);
    recorder_.log.clear();
    items_ = &recorder_;
    RunResult r = RunScript(text);
    EXPECT_TRUE(r.result == 0 || r.result == -1);
    EXPECT_LE(recorder_.log.size(), 1u);
  }
}

TEST_F(InterpreterTest, DeepBlocksAndHugeLines) {
  const int depth = 5000;
  std::string deep;
  for (int i = 0; i < depth; ++i) deep += "if(1){\n";
  deep += "comment \"in\"\n";
  for (int i = 0; i < depth; ++i) deep += "}\n";
  deep += "comment \"out\"\n";
  for (int i = 0; i < depth; ++i) deep += "if(0){\n";  // never closed
  Check({
      {deep,
       {-1, "inout", Diag("ERROR", 3 * depth + 3, "): reached end of file and missed '}'.\n")}},
      // A huge line keeps its first bytes, and the next lines are read.
      {"comment \"a\" //" + std::string(10 * 1024 * 1024, '{') + "\ncomment \"b\"\n",
       {0, "ab", ""}},
  });
}

// Run allocates file names before the lists, so the list creation it calls is driven here.
TEST_F(InterpreterTest, AMissingListThatCannotBeAllocatedIsNamed) {
  const std::pair<LIST * Scene::*, const char*> slots[] = {
      {&Scene::objects, "objects"},         {&Scene::objects2, "objects"},
      {&Scene::points, "points"},           {&Scene::lights, "lights"},
      {&Scene::materials, "materials"},     {&Scene::images, "imagess"},
      {&Scene::cameras, "cameras"},         {&Scene::variables, "variables"},
      {&Scene::labels, "labels/functions"}, {&Scene::lines, "parse_list"}};
  for (const auto& [missing, name] : slots) {
    SCOPED_TRACE(name);
    Scene scene;
    for (const auto& slot : slots) {
      if (slot.first != missing) scene.*slot.first = new LIST;
    }
    std::ostringstream err;
    FailNextAllocations(1);
    EXPECT_FALSE(scene.EnsureLists(err));
    EXPECT_EQ(err.str(), std::string("ERROR: Could not allocate LIST for ") + name + ".\n");
    EXPECT_EQ(scene.*missing, nullptr);
  }
  // The next run creates what is missing and goes on.
  std::ostringstream ignored;
  FailNextAllocations(1);
  EXPECT_FALSE(scene_.EnsureLists(ignored));
  EXPECT_EQ(ignored.str(), "ERROR: Could not allocate LIST for objects.\n");
  EXPECT_EQ(RunScript("comment \"ok\""), (RunResult{0, "ok", ""}));
  EXPECT_NE(scene_.objects, nullptr);
}

TEST_F(InterpreterTest, FailedAllocationsStopOrDegradeTheRunWithoutLosingTheScene) {
  std::ostringstream foundation_errors;
  SetErrorOutput(&foundation_errors);
  FailNextAllocations(1);  // the first allocation of a run copies the file name
  RunResult r = RunScript("comment \"never\"");
  EXPECT_EQ(r.result, -1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << r.err;
  // Failing in the middle of a run: it ends, goes on once memory is back, and the next one works.
  for (int failures : {1, 5, 30, 300}) {
    SCOPED_TRACE(failures);
    renderer_.failures = failures;
    r = RunScript(
        "float i, a[4]\nfor(i=0;i<40;i=i+1){ TRACE! <i> float b[3] a[2]=i }\n"
        "comment \"end\"");
    EXPECT_TRUE(r.result == 0 || r.result == -1);
    if (failures <= 30) {
      EXPECT_EQ(r.out, "end");
    }
    FailNextAllocations(0);
    EXPECT_EQ(RunScript("comment \"ok\"", "ok.ovs").out, "ok");
  }
}

}  // namespace
}  // namespace orvane
