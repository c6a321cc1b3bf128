#include "script/interpreter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "foundation/error_output.h"
#include "scene/scene.h"
#include "support/test_files.h"

namespace orvane {
namespace {

std::string S(const String& s) {
  return std::string(s.c_str(), s.Length());
}

struct RunResult {
  int result;
  std::string out;
  std::string err;
};

// Remembers the frame number of every TRACE!.
class RecordingRenderer : public FrameRenderer {
 public:
  void RenderFrame(Scene&, int frame) override { frames.push_back(frame); }
  std::vector<int> frames;
};

// Records each item statement as "keyword:next token" and each member statement's word.
class RecordingItems : public ItemStatements {
 public:
  int Item(ScriptInterpreter& in, const String& keyword, GroupObject*) override {
    String next = in.reader().GetToken();
    log.push_back(S(keyword) + ":" + S(next));
    return S(keyword) == stop_at || log.size() >= limit ? -1 : 0;
  }
  int Member(ScriptInterpreter&, const String& word) override {
    log.push_back("member " + S(word));
    return 0;
  }
  std::vector<std::string> log;
  std::string stop_at;
  size_t limit = 1000;  // stops a run that would not end by itself
};

// Runs an `object { ... }` block as a nested run into a group, the way the scene commands do.
class NestingItems : public ItemStatements {
 public:
  explicit NestingItems(GroupObject* group) : group_(group) {}
  int Item(ScriptInterpreter& in, const String& keyword, GroupObject* parent) override {
    log.push_back(S(keyword) + (parent == group_ ? " in group" : parent ? " in ?" : ""));
    if (keyword != "object") return 0;
    if (in.reader().GetToken() != "{") return -1;
    nested_results.push_back(in.Run(nullptr, group_));
    String closing = in.reader().GetToken();
    closings.push_back(S(closing));
    return closing == "}" ? 0 : -1;
  }
  int Member(ScriptInterpreter&, const String&) override { return 0; }
  std::vector<std::string> log;
  std::vector<int> nested_results;
  std::vector<std::string> closings;

 private:
  GroupObject* group_;
};

class InterpreterTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FailNextAllocations(0);
    SetErrorOutput(nullptr);
  }

  std::string Write(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
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

  // A statement diagnostic of the last script: kind is "Warning", "Syntax error" or "ERROR".
  std::string Diag(const char* kind, int line, const std::string& message) const {
    return "\n" + path_ + ": " + kind + " (line " + std::to_string(line) + message;
  }

  test::TempDir temp_;
  std::string dir_ = temp_.path().string();
  std::string path_;
  Scene scene_;
  RecordingRenderer renderer_;
  ItemStatements* items_ = nullptr;
};

// --- TRACE! ---------------------------------------------------------------------------------

TEST_F(InterpreterTest, TraceRendersTheEvaluatedFrameNumberTruncated) {
  RunResult r = RunScript(
      "float n,i n=3\nTRACE! <>\nTRACE! <n*2>\nTRACE! <2.9>\nTRACE! <-2.9>\nTRACE! <3,7>\n"
      "for(i=0;i<3;i=i+1){ TRACE! <i> }\n");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(renderer_.frames, (std::vector<int>{-1, 6, 2, -2, 3, 0, 1, 2}));
}

TEST_F(InterpreterTest, TraceWithoutAValueIsASyntaxErrorAndRendersNothing) {
  RunResult r = RunScript("comment \"a\"\nTRACE! frame\ncomment \"b\"\n");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "ab");
  EXPECT_EQ(r.err, Diag("Syntax error", 2, "): no frame-number given.\n"));
  EXPECT_TRUE(renderer_.frames.empty());
}

// --- Item statements ------------------------------------------------------------------------

TEST_F(InterpreterTest, ItemKeywordsAndMemberStatementsGoToTheHandler) {
  RecordingItems items;
  items_ = &items;
  const std::vector<std::string> keywords = {
      "object", "points",  "trimesh", "construct", "sphere", "plane",  "light",   "material",
      "image",  "palette", "fractal", "chess",     "fade",   "camera", "raytrace"};
  std::string text;
  std::vector<std::string> expected;
  for (size_t i = 0; i < keywords.size(); ++i) {
    text += keywords[i] + " n" + std::to_string(i) + "\n";
    expected.push_back(keywords[i] + ":n" + std::to_string(i));
  }
  text += "ball.radius\ncomment \"end\"\n";
  expected.push_back("member ball.radius");
  RunResult r = RunScript(text);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "end");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(items.log, expected);
}

TEST_F(InterpreterTest, AHandlerFailureStopsTheRun) {
  RecordingItems items;
  items.stop_at = "light";
  items_ = &items;
  RunResult r = RunScript("comment \"a\" sphere s light l comment \"b\" camera c\n");
  EXPECT_EQ(r.result, -1);
  EXPECT_EQ(r.out, "a");
  EXPECT_EQ(items.log, (std::vector<std::string>{"sphere:s", "light:l"}));
}

TEST_F(InterpreterTest, NullHandlerRestoresTheBuiltInSkipping) {
  std::ostringstream out, err;
  RecordingItems items;
  ScriptInterpreter interpreter(scene_, out, err);
  interpreter.SetItemStatements(&items);
  interpreter.SetItemStatements(nullptr);
  path_ = Write("t.ovs", "sphere ball {\n radius <1>\n}\ncomment \"after\"\n");
  EXPECT_EQ(interpreter.Run(path_.c_str()), 0);
  EXPECT_EQ(out.str(), "after");
  EXPECT_EQ(err.str(), Diag("Warning", 1, "): unrecognized token: sphere\n"));
  EXPECT_TRUE(items.log.empty());
}

// --- Nested runs ----------------------------------------------------------------------------

TEST_F(InterpreterTest, NestedRunEndsAtTheClosingBraceAndLeavesItForTheCaller) {
  std::ostringstream out, err;
  EXPECT_EQ(ScriptInterpreter(scene_, out, err).Run(nullptr, nullptr), 0);  // nothing to run
  EXPECT_EQ(out.str() + err.str(), "");

  char storage[16];
  auto* group = reinterpret_cast<GroupObject*>(storage);  // a handle only, never used
  NestingItems items(group);
  items_ = &items;
  RunResult r = RunScript(
      "comment \"a\"\nobject {\n comment \"b\"\n light\n object { camera }\n}\n"
      "comment \"c\" light\n");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "abc");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(items.nested_results, (std::vector<int>{0, 0}));
  EXPECT_EQ(items.closings, (std::vector<std::string>{"}", "}"}));
  EXPECT_EQ(items.log, (std::vector<std::string>{"object", "light in group", "object in group",
                                                 "camera in group", "light"}));
}

// --- State kept in the Scene across runs ----------------------------------------------------

// Variables and labels stay in the Scene; open if blocks do not.
TEST_F(InterpreterTest, RunsOnOneSceneShareVariablesAndLabels) {
  EXPECT_EQ(RunScript("float i, t\nwhile(i<2){ i=i+1 }\nt=10 top: if(1){\n", "a.ovs").err, "");
  RunResult r = RunScript("for(i=0;i<2;i=i+1){ t=t+i }\ncomment t comment i\n}\n", "b.ovs");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "112");  // the loop labels got new numbers
  EXPECT_EQ(r.err, Diag("Warning", 3, "): found here useless '}'.\n"));

  r = RunScript("comment \"never\"\n top: comment \"b\"\n", "c.ovs");
  EXPECT_EQ(r.result, -1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, Diag("ERROR", 2, "): Label already exists.\n"));
}

// --- Control flow ---------------------------------------------------------------------------

TEST_F(InterpreterTest, GotoTakesTheBlockDepthOfItsLabel) {
  // Out of two open blocks: the '}' after the label has nothing left to close.
  RunResult out = RunScript("if(1){\n if(1){ goto out }\n}\nout: comment \"a\"\n}\n", "a.ovs");
  EXPECT_EQ(out.out, "a");
  EXPECT_EQ(out.err, Diag("Warning", 5, "): found here useless '}'.\n"));
  // Into an if block: its '}' closes it without a warning.
  RunResult in = RunScript("goto in\nif(1){\n in: comment \"b\"\n}\ncomment \"c\"\n", "b.ovs");
  EXPECT_EQ(in.out, "bc");
  EXPECT_EQ(in.err, "");
}

TEST_F(InterpreterTest, LoopsOfAllThreeKindsNest) {
  RunResult r = RunScript(
      "float i, j, k\n"
      "for(i=0;i<2;i=i+1){\n"
      "  j=0\n"
      "  while(j<2){\n"
      "    k=0\n"
      "    do {\n"
      "      comment i*100+j*10+k comment \",\"\n"
      "      k=k+1\n"
      "    } while (k<2)\n"
      "    j=j+1\n"
      "  }\n"
      "}\n");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "0,1,10,11,100,101,110,111,");
  EXPECT_EQ(r.err, "");
}

// Endless loops of every kind and an endless jump end when the interrupt says so.
TEST_F(InterpreterTest, TheInterruptStopsEndlessRuns) {
  const char* const scripts[] = {"float i\nfor(i=0;1;i=i+1){ i=i }\n", "while(1){ }\n",
                                 "do { } while (1)\n", "top:\ngoto top\n"};
  for (const char* script : scripts) {
    path_ = Write("endless.ovs", script);
    std::ostringstream out, err;
    ScriptInterpreter interpreter(scene_, out, err);
    int asked = 0;
    interpreter.SetInterrupt([&asked] { return ++asked > 1000; });
    EXPECT_EQ(interpreter.Run(path_.c_str()), ScriptInterpreter::kRunFailed) << script;
    EXPECT_EQ(asked, 1001) << script;
    EXPECT_NE(err.str().find(": ERROR (line "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("run stopped."), std::string::npos) << err.str();
  }
}

TEST_F(InterpreterTest, DiagnosticsInRewrittenLoopsNameTheLinesOfTheFile) {
  RunResult r = RunScript(
      "float i\nwhile(i<2){\n  i=i+1\n  bogus\n}\n"  // lines 1-5
      "do {\n  i=i-1\n  odd\n}\nwhile\n(i>0)\n"      // lines 6-11: `while` on its own line
      "last\n");
  EXPECT_EQ(r.result, 0);
  std::string bogus = Diag("Warning", 4, "): unrecognized token: bogus\n");
  std::string odd = Diag("Warning", 8, "): unrecognized token: odd\n");
  EXPECT_EQ(r.err,
            bogus + bogus + odd + odd + Diag("Warning", 12, "): unrecognized token: last\n"));
}

// Loop errors are found before any statement runs; a false `if` without its '}' stops the run
// when it is reached.
TEST_F(InterpreterTest, UnfinishedBlocksStopTheRun) {
  const std::tuple<const char*, int, const char*, const char*> cases[] = {
      {"comment \"x\"\ndo comment 1 } while(0)\n", 2, "): missing '{' after 'do'.\n", ""},
      {"comment \"x\"\ndo { comment 1 }\ncomment 2\n", 3, "): missing 'while' after 'do'-block.\n",
       ""},
      {"comment \"x\"\nwhile(1){\n comment 1", 3, "): reached end of file and missed '}'.\n", ""},
      {"comment \"x\"\nif(0){\n comment 1", 3, "): reached end of file and missed '}'.\n", "x"}};
  for (const auto& [text, line, message, out] : cases) {
    SCOPED_TRACE(text);
    RunResult r = RunScript(text);
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, Diag("ERROR", line, message));
  }
}

// Loop words and labels right after other tokens (a string, a value, a comment) are found;
// words that merely hold them ("has_shadow", "do_it", "format") and comments are no loops.
TEST_F(InterpreterTest, LoopsAndLabelsRightAfterOtherTokens) {
  // The runs share the scene and so their variables: each case starts with i=0.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      // text, output, the unrecognized token of line 2 (if any)
      {"float i i=0\ncomment \"a\"do { i=i+1 } while(i<3)\ncomment i\n", "a3", nullptr},
      {"i=0 /* x */for(i=0;i<2;i=i+1){ comment i }\n", "01", nullptr},
      {"i=0\nTRACE! <1>again: i=i+1 if(i<3){ goto again }\ncomment i\n", "3", nullptr},
      {"i=0\n<0>while(i<2){ i=i+1 comment \"w\" }\n", "ww", "<0>"},
      {"i=0\ni=5 do{ i=i-1 }while(i>2) comment i\n", "2", nullptr},
      {"float has_shadow, do_it, format\nhas_shadow=1 do_it=2 format=3\n"
       "comment has_shadow+do_it+format\n",
       "6", nullptr},
      {"i=0\nx.do\ncomment \"n\"\n", "n", "x.do"},
      {"i=0\n/* do { */ comment \"c\"\n", "c", nullptr},
  };
  for (const auto& [text, out, unrecognized] : cases) {
    SCOPED_TRACE(text);
    RunResult r = RunScript(text);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err,
              unrecognized
                  ? Diag("Warning", 2, std::string("): unrecognized token: ") + unrecognized + "\n")
                  : "");
  }
}

TEST_F(InterpreterTest, AJumpIntoALoopBodyGoesOnLooping) {
  RunResult r = RunScript(
      "float i\ngoto mid\nwhile(i<3){\n comment \"x\"\n mid: comment i\n i=i+1\n}\n"
      "comment \"end\"\n");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "0x1x2end");
  EXPECT_EQ(r.err, "");
}

// BUG (open): a jump reads the label's line again from its start and counts tokens, but a line
// that begins inside a block comment carried over from the line before is then cut into
// different tokens than when the labels were recorded, so the jump lands too early: here it
// runs `comment "b"` (and warns about "*/"), and a loop on such a line never ends.
TEST_F(InterpreterTest, JumpsLandOnTheirLabelAfterAMultiLineComment) {
  RunResult r = RunScript("goto skip\n/* a\n b c */ comment \"b\" skip: comment \"c\"", "a.ovs");
  EXPECT_EQ(r.out, "c");
  EXPECT_EQ(r.err, "");

  RecordingItems items;
  items.limit = 20;
  items_ = &items;
  r = RunScript(
      "float i\n/* counting\n below */ light n while(i<3){ comment i i=i+1 }\n"
      "comment \"end\"",
      "b.ovs");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "012end");
  EXPECT_EQ(items.log, (std::vector<std::string>{"light:n"}));
}

// BUG (open): the generated `if` of a loop only skips the body when the condition is directly
// followed by '{'; otherwise (a word before the '{', or `for(;;)`, whose `if` then takes the '{'
// as its condition) the false branch drops one token and the generated jump back to the loop
// head runs for ever. Such a loop must end (by an error or by running), each statement at most
// once; the handler's limit stops the run after 20 turns where it does not.
TEST_F(InterpreterTest, LoopsWithoutTheirBlockRightAfterTheConditionEnd) {
  const char* scripts[] = {"while(0) x { light n }", "float i\nfor(i=0;i<1;i=i+1) x { light n }",
                           "for(;;){ EXIT! light n }"};
  for (const char* text : scripts) {
    SCOPED_TRACE(text);
    RecordingItems items;
    items.limit = 20;
    items_ = &items;
    RunResult r = RunScript(text);
    EXPECT_TRUE(r.result == 0 || r.result == -1);
    EXPECT_LE(items.log.size(), 1u);
  }
}

// --- Files and robustness -------------------------------------------------------------------

TEST_F(InterpreterTest, FileNamesGetOvsAddedAndMissingFilesAreReported) {
  Write("prog.ovs", "bogus\n");
  RunResult found = RunFile(dir_ + "/prog");
  EXPECT_EQ(found.result, 0);
  EXPECT_EQ(found.err, "\n" + dir_ + "/prog.ovs: Warning (line 1): unrecognized token: bogus\n");

  RunResult missing = RunFile(dir_ + "/nofile");
  EXPECT_EQ(missing.result, -1);
  EXPECT_EQ(missing.err, "ERROR: .ovs-file " + dir_ + "/nofile not found.\n");
}

TEST_F(InterpreterTest, EmptyFilesAndStrayBraces) {
  for (const char* text : {"", "\n\n", "// nothing\n/* still\n nothing */\n// }\n"}) {
    RunResult quiet = RunScript(text);
    EXPECT_EQ(quiet.result, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
  }
  RunResult r = RunScript("}}}{{{\ncomment \"end\"\n");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "end");
  std::string useless = Diag("Warning", 1, "): found here useless '}'.\n");
  std::string open = Diag("Warning", 1, "): unrecognized token: {\n");
  EXPECT_EQ(r.err, useless + useless + useless + open + open + open);
}

TEST_F(InterpreterTest, ThousandsOfNestedIfBlocks) {
  const int depth = 5000;
  std::string text;
  for (int i = 0; i < depth; ++i) text += "if(1){\n";
  text += "comment \"in\"\n";
  for (int i = 0; i < depth; ++i) text += "}\n";
  text += "comment \"out\"\n";
  for (int i = 0; i < depth; ++i) text += "if(0){\n";
  RunResult r = RunScript(text);
  EXPECT_EQ(r.result, -1);  // the false blocks are never closed
  EXPECT_EQ(r.out, "inout");
  EXPECT_EQ(r.err, Diag("ERROR", 3 * depth + 3, "): reached end of file and missed '}'.\n"));
}

TEST_F(InterpreterTest, AHugeLineKeepsItsFirstBytesAndTheNextLines) {
  std::string text = "comment \"a\" //" + std::string(10 * 1024 * 1024, '{') + "\ncomment \"b\"\n";
  RunResult r = RunScript(text);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "ab");
  EXPECT_EQ(r.err, "");
}

// A file of a quarter of a megabyte with short, empty and long lines, "\r\n" and "\n" ends:
// every line keeps its number and its first 127 bytes. Line n prints n, then "+" when its
// second statement lies within the first 127 bytes (at 116 it ends on the last kept byte);
// lines n with n % 5 == 0 hold an unknown word.
TEST_F(InterpreterTest, LinesKeepTheirNumbersAndFirstBytes) {
  const int offsets[] = {0, 40, 105, 116, 127, 300};  // where the second statement starts
  path_ = dir_ + "/lines.ovs";
  std::string text;
  std::string out;
  std::string err;
  const int lines = 1500;
  for (int n = 1; n <= lines; ++n) {
    std::string line;
    if (n % 11 != 0) {
      line = "comment \"" + std::to_string(n) + "\"";
      out += std::to_string(n);
      if (n % 5 == 0) {
        line += " w" + std::to_string(n);
        err += Diag("Warning", n, "): unrecognized token: w" + std::to_string(n) + "\n");
      }
      const int offset = offsets[n % 6];
      if (offset > 0) {
        line += std::string(static_cast<size_t>(offset) - line.size(), ' ') + "comment \"+\"";
        if (offset + 11 <= 127) out += "+";
      }
      if (n % 4 == 0) line += " // " + std::string(static_cast<size_t>(n % 200), 'z');
    }
    text += line + (n % 3 == 0 ? "\r\n" : "\n");
  }
  ASSERT_GT(text.size(), 200000u);
  RunResult r = RunFile(Write("lines.ovs", text));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, out);
  EXPECT_EQ(r.err, err);
}

TEST_F(InterpreterTest, RandomBytesNeverCrashOrHang) {
  for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
    std::mt19937 random(seed);
    std::string text(16 * 1024, '\0');
    for (char& c : text) c = static_cast<char>(random() & 0xff);
    if (seed == 5) {  // one binary file without any line break
      for (char& c : text) c = c == '\n' ? '\0' : c;
    }
    RunResult r = RunScript(text);
    EXPECT_TRUE(r.result == 0 || r.result == -1) << "seed " << seed;
  }
}

// Random sequences of the language's own pieces: blocks, loops, strings, comments, values and
// nested object runs, unbalanced in every way. The loop heads are always followed by their '{'
// and comments stay on one line (see the two open bugs above), so every run must end.
TEST_F(InterpreterTest, RandomStatementSoupsEnd) {
  // clang-format off
  const char* pieces[] = {
      "if(1){", "if(0){", "}", "{", "else", "while(0){", "while (0) {", "do {", "} while(0){}",
      "comment \"x\"", "TRACE! <1>", "float v", "v=v+1", "EXIT!", "\n", "/* } */", "/* { */",
      "sphere", "ball.r", "object {", "object x", ";", ")", "x", "<1,2>", "//", "\"", "for"};
  // clang-format on
  char storage[16];
  NestingItems items(reinterpret_cast<GroupObject*>(storage));
  items_ = &items;
  for (unsigned seed = 0; seed < 300; ++seed) {
    std::mt19937 random(seed);
    std::string text;
    for (int i = 0, loops = 0; i < 300; ++i) {
      std::string piece = pieces[random() % std::size(pieces)];
      if (piece == "for") {  // each for loop counts its own variable
        std::string f = "f" + std::to_string(loops++);
        piece = "for(" + f + "=0;" + f + "<2;" + f + "=" + f + "+1){";
      }
      text += " " + piece;
    }
    scene_.DeleteLists();  // the labels of the previous soup
    RunResult r = RunScript(text);
    EXPECT_TRUE(r.result == 0 || r.result == -1) << "seed " << seed;
  }
}

// --- Allocation failure ---------------------------------------------------------------------

// Each list a run needs is created when missing; one that cannot be allocated is named in its
// own message. FailNextAllocations cannot pass over the file name copies that Run allocates
// before the lists, so the list creation that Run calls is driven directly here.
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
  RunResult r = RunScript("comment \"ok\"");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, "ok");
  EXPECT_NE(scene_.objects, nullptr);
}

TEST_F(InterpreterTest, FailedAllocationsStopOrDegradeTheRunWithoutLosingTheScene) {
  std::ostringstream foundation_errors;
  SetErrorOutput(&foundation_errors);
  path_ = Write("t.ovs", "comment \"never\"");
  FailNextAllocations(1);  // the first allocation of a run copies the file name
  RunResult r = RunFile(path_);
  EXPECT_EQ(r.result, -1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << r.err;

  // Allocations failing in the middle of a run (armed by the first TRACE!): the statements that
  // need memory are lost, but the run ends, goes on once memory is back, and the next run works.
  class FailingRenderer : public FrameRenderer {
   public:
    void RenderFrame(Scene&, int frame) override {
      if (frame == 0) FailNextAllocations(failures);
    }
    int failures = 0;
  } failing;
  for (int failures : {1, 5, 30, 300}) {
    SCOPED_TRACE(failures);
    failing.failures = failures;
    std::ostringstream out, err;
    ScriptInterpreter interpreter(scene_, out, err);
    interpreter.SetFrameRenderer(&failing);
    path_ = Write("t.ovs",
                  "float i, a[4]\nfor(i=0;i<40;i=i+1){ TRACE! <i> float b[3] a[2]=i }\n"
                  "comment \"end\"");
    int result = interpreter.Run(path_.c_str());
    EXPECT_TRUE(result == 0 || result == -1);
    if (failures <= 30) {
      EXPECT_EQ(out.str(), "end");
    }
    FailNextAllocations(0);
    EXPECT_EQ(RunScript("comment \"ok\"", "ok.ovs").out, "ok");
  }
}

}  // namespace
}  // namespace orvane
