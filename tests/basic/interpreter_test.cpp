// The interpreter on small programs under the scripted host: what a
// program says, shows and sounds, the errors that name a line and what was
// expected there, and the window's turn during a loop that never waits.

#include "basic/machine.h"
#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/errors.h"
#include "runtime/ResourceLocalizer.h"
#include "runtime/runframe.h"
#include "runtime/screen.h"
#include "tests/support/scriptedhost.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// A program, and what it says in turn.
struct TSaidRow {
    const char* source;
    std::vector<std::string> said;
};

class InterpreterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        switches.voiceallowed = true;
        CurrentLanguage = 2000;
    }
    void TearDown() override { CurrentLanguage = 1000; }

    // The transcript of one run, without the reseed every run starts with.
    std::vector<std::string> run(const std::string& source)
    {
        runbasic(loadbasic(source));
        std::vector<std::string> entries = host.transcript;
        if (!entries.empty() && entries.front() == "reseed")
            entries.erase(entries.begin());
        return entries;
    }

    // The error message of reading or running the program, or "" when it ran.
    std::string error(const std::string& source)
    {
        try {
            run(source);
        } catch (const TVorkanaError& raised) {
            return raised.what();
        }
        return {};
    }

    void expectsaid(std::initializer_list<TSaidRow> rows)
    {
        for (const TSaidRow& row : rows) {
            host.transcript.clear();
            EXPECT_EQ(error(row.source), "") << row.source;
            EXPECT_EQ(host.said(), row.said) << row.source;
        }
    }

    TScriptedHost host;
};

}

TEST_F(InterpreterTest, PrintPlacesItemsBySeparatorAndSpeaksEach)
{
    EXPECT_EQ(run("10 print \"a\";\"b\",1.5: PRINT -3;: Print\n20 PRINT \"x\" + \"y\", LEFT$(\"hello\", 2)"),
        (std::vector<std::string> { "say a", "say b", "say 1.5", "say -3", "say xy", "say he" }));
    EXPECT_EQ(screen.line(0).substr(0, 10), "ab      1.");
    EXPECT_EQ(screen.line(1).substr(0, 3), "-3 ");
    EXPECT_EQ(screen.line(2).substr(0, 10), "xy      he");
    // The manual's examples of numbers and commas.
    run("10 PRINT 165;123\n20 PRINT \"ab\",\"c\",\"defghijkl\",\"x\"\n30 PRINT \"a\",\"b\"");
    EXPECT_EQ(screen.line(3).substr(0, 7), "165123 ");
    EXPECT_EQ(screen.line(4).substr(0, 26), "ab      c defghijkl     x ");
    EXPECT_EQ(screen.line(5).substr(0, 4), "a b ");
}

// FOR compares exactly (ten steps of 0.1 fall short of 1, so eleven
// passes), runs its body once even past its end, and NEXT of an outer
// variable closes the inner loop; INT truncates toward zero.
TEST_F(InterpreterTest, ArithmeticLoopsAndSubroutines)
{
    std::string program = "10 N=0: FOR X=0 TO 1 STEP 0.1: N=N+1: NEXT X: PRINT N\n"
                          "20 FOR I=5 TO 1: PRINT I: NEXT\n"
                          "30 FOR I=1 TO 2: FOR J=1 TO 3: IF J=2 THEN 45\n"
                          "40 PRINT I*10+J: NEXT J\n"
                          "45 NEXT I\n"
                          "50 PRINT INT(-2.5); INT(2.5); 7-2*3^2; -2^2; (1<2)+(2<1); NOT 0 AND 1 OR 0\n"
                          "60 GOSUB 100: PRINT \"back\": GOSUB 100\n"
                          "70 A$=\"b\": IF A$>\"a\" AND \"ab\"<\"b\" THEN PRINT \"ordinal\"\n"
                          "80 DIM S$(2): S$(2)=\"two\": T(10)=10: PRINT S$(2); T(10); T(0): END\n"
                          "90 PRINT \"never\"\n"
                          "100 C=C+1: PRINT \"sub\"; C: RETURN\n";
    run(program);
    EXPECT_EQ(host.said(),
        (std::vector<std::string> { "11", "5", "11", "21", "-2", "2", "-11", "-4", "-1", "-1", "sub", "1", "back",
            "sub", "2", "ordinal", "two", "10", "0" }));
}

TEST_F(InterpreterTest, SoundsKeysAndFunctionsGoThroughTheRuntime)
{
    host.draws = { 0.25, 0.75 };
    host.clockstart = { 14, 3, 22 };
    host.after("key?", "q");
    auto transcript = run("10 SOUND 200,300,400,140,0: SOUND 249,-1,10: BEEP: CLICK 19.7\n"
                          "20 PRINT RND(1); RND(0); VAL(\"%ff\"); VAL(\"2.5E1\"); VAL(\"1,5\"); PEEK(50730)\n"
                          "30 PRINT \"key?\"\n"
                          "40 K$=INKEY$: IF K$=\"\" THEN 40\n"
                          "50 PRINT K$; LEFT$(TIME$,5): CLS\n");
    std::vector<std::string> expected { "tone 200 140ms timbre 0", "tone 300 140ms timbre 0 voice 2",
        "tone 400 140ms timbre 0 voice 3", "tone 249 140ms timbre 0", "play beep", "play click19", "say 0.25",
        "say 0.75", "say 255", "say 25", "say 1.5", "say 0", "say key?", "key q", "say q", "say 14 03", "screen cleared" };
    EXPECT_EQ(transcript, expected);
}

// A program's numbers can be anything; the runtime keeps them in range.
TEST_F(InterpreterTest, NumbersPastEveryRangeReachTheRuntimeSafely)
{
    EXPECT_EQ(run("10 CLICK -0.5: CLICK 1E20: SOUND 1E300,1000,-1: SOUND -5,-1,1E300: SOUND 0/1E-300,-2E300,1E-300"),
        (std::vector<std::string> { "play click0", "play click100000000000000000000",
            "tone snd1255 1280000 1000ms", "tone snd1255 128 1000ms", "tone 2 1000ms timbre 0" }));
}

TEST_F(InterpreterTest, SourceInWindows1250ReadsAsInUtf8)
{
    std::string utf8 = "10 print \"ďeň, žltý kôň\"\n";
    std::string windows1250 = cp1250::fromutf8(utf8);
    ASSERT_NE(utf8, windows1250);
    EXPECT_EQ(run(windows1250), (std::vector<std::string> { "say ďeň, žltý kôň" }));
    EXPECT_EQ(run("\xEF\xBB\xBF" + utf8).back(), "say ďeň, žltý kôň");
}

TEST_F(InterpreterTest, SyntaxErrorsNameTheLineAndWhatWasExpected)
{
    struct TRow {
        std::string source;
        const char* message;
    };
    std::vector<TRow> rows {
        { "10 PRINT 1\n120 IF A=1 PRINT 2", "line 120: THEN expected" },
        { "10 PRINT \"open", "line 10: \" expected" },
        { "10 A = \"x\"", "line 10: a number expected" },
        { "10 A$ = 1", "line 10: a string expected" },
        { "10 PRINT \"a\" - \"b\"", "line 10: a number expected" },
        { "10 GOTO 99", "line 10: there is no line 99" },
        { "10 GOSUB", "line 10: a line number expected" },
        { "10 PRINT 1\nPRINT 2", "row 2 of the file: a line number expected" },
        { "10 PRINT 1\r\n10 PRINT 2", "line 10: this line number is used twice" },
        { "10 FOR I=1 10", "line 10: TO expected" },
        { "10 FOR A$=1 TO 2", "line 10: a variable expected" },
        { "10 PRINT (1", "line 10: ) expected" },
        { "10 X = 1 2", "line 10: the end of the statement expected" },
        { "10 PRINT @", "line 10: unknown character @" },
        { "20 FROB 3", "line 20: unknown statement FROB" },
        { "10 PRINT 1\n20 GOTOX", "line 20: unknown statement GOTOX" },
        { "0 PRINT 1", "line 0: line numbers go from 1 to 99999" },
        { "100000 PRINT 1", "line 100000: line numbers go from 1 to 99999" },
        { "0000000000123456 PRINT 1", "line 123456: line numbers go from 1 to 99999" },
        { "10 PRINT 1 ELSE PRINT 2", "line 10: ELSE without IF" },
        { "10 IF 1 THEN PRINT 1 ELSE PRINT 2 ELSE PRINT 3", "line 10: ELSE without IF" },
        { "10 WHILE 1\n20 PRINT 1", "line 10: WHILE without WEND" },
        { "10 WEND", "line 10: WEND without WHILE" },
        { "10 ON 1 GOTO 10, 30", "line 10: there is no line 30" },
        { "10 RESTORE 5", "line 10: there is no line 5" },
        { "10 PRINT 1E999", "line 10: number too large" },
        { "10 INPUT #2, A$", "line 10: 1 expected" },
        { "10 INPUT \"name\" A$", "line 10: , expected" },
        { "10 A$=MID$(\"abc\")", "line 10: , expected" },
        { "10 A=INSTR(1, 2, \"b\")", "line 10: a string expected" },
        { "10 THEN", "line 10: a statement expected" },
        { "10 SOUND 200,100", "line 10: , expected" },
        { "10 DIM A", "line 10: ( expected" },
        { "10 A=" + std::string(300, '(') + "1", "line 10: expression too complex" },
        { "10 A=1" + std::string(3000, '+') + "1", "line 10: expression too complex" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(error(row.source), row.message) << row.source;

    try {
        readsourcefile("/nonexistent/100%2.bas");
        ADD_FAILURE() << "a missing file was read";
    } catch (const TVorkanaError& unreadable) {
        EXPECT_STREQ(unreadable.what(), "The program /nonexistent/100%2.bas cannot be read.");
    }

    CurrentLanguage = 3000;
    EXPECT_EQ(error("120 IF A=1 PRINT 2"), "riadok 120: očakáva sa THEN");
    CurrentLanguage = 1000;
    EXPECT_EQ(error("120 IF A=1 PRINT 2"), "řádek 120: očekává se THEN");
}

TEST_F(InterpreterTest, RunErrorsEndTheRunWithTheLine)
{
    struct TRow {
        const char* source;
        const char* message;
    };
    for (TRow row : {
             TRow { "10 PRINT 1\n20 RETURN", "line 20: RETURN without GOSUB" },
             TRow { "10 DIM A(5)\n20 A(6)=1", "line 20: index out of range" },
             TRow { "10 B=A(-1)", "line 10: index out of range" },
             TRow { "10 X=0\n30 Y=1/X", "line 30: division by zero" },
             TRow { "10 FOR I=1 TO 2: NEXT J", "line 10: NEXT without FOR" },
             TRow { "10 GOSUB 10", "line 10: GOSUB nested too deep" },
             TRow { "10 A$=\"ab\"\n20 A$=A$+A$: GOTO 20", "line 20: string too long" },
             TRow { "10 DIM A(1): DIM A(2)", "line 10: the array is already dimensioned" },
             TRow { "10 DIM A(1E9)", "line 10: array too large" },
             TRow { "10 B$=\"x\": FOR I=1 TO 15: B$=B$+B$: NEXT\n20 DIM A$(65535): FOR I=0 TO 65535: A$(I)=B$: NEXT",
                 "line 20: the program is out of memory" },
             TRow { "10 DIM A(65535), B(65535), C(65535), D(65535), E(65535), F(65535), G(65535), H(65535)\n"
                    "20 DIM I(65535), J(65535), K(65535), L(65535), M(65535), N(65535), O(65535), P(65535), Q(0)",
                 "line 20: the program is out of memory" },
             TRow { "10 PRINT VAL(\"%zz\")", "line 10: VAL cannot read \"%zz\" as a number" },
             TRow { "10 A=1E300\n20 A=A*A", "line 20: number too large" },
             TRow { "10 A=1E308+1E308", "line 10: number too large" },
             TRow { "10 A=EXP(1000)", "line 10: number too large" },
             TRow { "10 A=1E300*1E300-1E300*1E300", "line 10: number too large" },
             TRow { "10 A=0^-1", "line 10: number too large" },
             TRow { "10 A=SQR(-1)", "line 10: wrong value for SQR" },
             TRow { "10 A=LOG(0)", "line 10: wrong value for LOG" },
             TRow { "10 A$=CHR$(256)", "line 10: wrong value for CHR$" },
             TRow { "10 A=ASC(\"\")", "line 10: wrong value for ASC" },
             TRow { "10 A$=MID$(\"abc\", 0, 1)", "line 10: wrong value for MID$" },
             TRow { "10 A=7 MOD 0", "line 10: division by zero" },
             TRow { "10 DATA 1\n20 READ A, B", "line 20: out of DATA" },
             TRow { "10 DATA one\n20 READ A", "line 20: \"one\" is not a number" },
             TRow { "10 INPUT #1, A$", "line 10: there is no file data.dta" },
             TRow { "10 PRINT EOF(2)", "line 10: wrong value for EOF" },
         }) {
        EXPECT_EQ(error(row.source), row.message) << row.source;
    }
}

TEST_F(InterpreterTest, StringFunctions)
{
    expectsaid({
        { "10 A$=\"ďeň\"+\"!\": PRINT A$; LEN(A$); LEN(\"\")", { "ďeň!", "4", "0" } },
        { "10 PRINT MID$(\"abcdef\",2,3); MID$(\"abcdef\",4); MID$(\"abc\",3,9); MID$(\"abc\",4,1)", { "bcd", "def", "c" } },
        { "10 PRINT MID$(\"abc\",2,0); RIGHT$(\"abcdef\",2); RIGHT$(\"ab\",5); RIGHT$(\"ab\",-1)", { "ef", "ab" } },
        { "10 PRINT CHR$(65); ASC(\"A\"); ASC(\"ž\"); CHR$(158)", { "A", "65", "158", "ž" } },
        { "10 PRINT STR$(-12); STR$(2.5); LEN(STR$(7))", { "-12", "2.5", "1" } },
        { "10 PRINT INSTR(\"abcabc\",\"c\"); INSTR(4,\"abcabc\",\"c\"); INSTR(\"abc\",\"x\"); INSTR(9,\"abc\",\"a\")",
            { "3", "6", "0", "0" } },
        { "10 PRINT UCASE$(\"žluťoučký kůň ß\"); LCASE$(\"ŽLUŤOUČKÝ Kůň\")", { "ŽLUŤOUČKÝ KŮŇ ß", "žluťoučký kůň" } },
    });
}

TEST_F(InterpreterTest, NumberFunctionsAndOperators)
{
    expectsaid({
        { "10 PRINT ABS(-2.5); SGN(-3); SGN(0); SGN(7); SQR(16); INT(-2.5)", { "2.5", "-1", "0", "1", "4", "-2" } },
        { "10 PRINT SIN(0); COS(0); ATN(1)*4; EXP(0); LOG(EXP(2))", { "0", "1", "3.14159265358979", "1", "2" } },
        { "10 PRINT 7 MOD 3; -7 MOD 3; 7.5 MOD 2; 2+7 MOD 4*2", { "1", "-1", "1.5", "8" } },
        // ^ groups from the left and binds tighter than a sign.
        { "10 PRINT 2^3^2; -2^2; 2^-1; 2^3*2", { "64", "-4", "0.5", "16" } },
        { "10 PRINT VAL(\"2,5\")+VAL(\" 1.5\"); VAL(\"1,2,3\")", { "4", "0" } },
    });
    int reseeds = host.reseeds;
    run("10 RANDOMIZE: RANDOMIZE");
    EXPECT_EQ(host.reseeds - reseeds, 3); // the run's own, and two
}

TEST_F(InterpreterTest, FlowStatements)
{
    expectsaid({
        { "10 FOR I=0 TO 4: ON I GOTO 20, 30, 40\n15 PRINT \"none\": GOTO 50\n20 PRINT \"one\": GOTO 50\n"
          "30 PRINT \"two\": GOTO 50\n40 PRINT \"three\"\n50 NEXT",
            { "none", "one", "two", "three", "none" } },
        { "10 ON 2 GOSUB 100, 200: PRINT \"back\": END\n100 PRINT 1: RETURN\n200 PRINT 2: RETURN", { "2", "back" } },
        { "10 FOR I=1 TO 2: IF I=1 THEN PRINT \"a\": PRINT \"b\" ELSE PRINT \"c\": PRINT \"d\"\n20 NEXT",
            { "a", "b", "c", "d" } },
        { "10 IF 0 THEN 30 ELSE 40\n30 PRINT 30\n40 PRINT 40", { "40" } },
        { "10 A=1: B=0: IF A THEN IF B THEN PRINT 1 ELSE PRINT 2 ELSE PRINT 3\n20 PRINT 4", { "2", "4" } },
        { "10 I=0: WHILE I<3: I=I+1: PRINT I: WEND: PRINT \"end\"", { "1", "2", "3", "end" } },
        { "10 WHILE 0\n20 PRINT \"never\"\n30 WEND\n40 I=2: WHILE I: J=2\n50 WHILE J: PRINT I*10+J: J=J-1: WEND\n"
          "60 I=I-1: WEND",
            { "22", "21", "12", "11" } },
        { "10 PRINT 1\n20 STOP\n30 PRINT 3", { "1", "Stopped at line 20." } },
        { "10 GOTO20\n15 PRINT 15\n20 GOSUB30: END\n30 IF 1 THEN40\n40 PRINT 40: RETURN", { "40" } },
        { "010 GOTO 00030\n20 PRINT 20\n00030 PRINT 30", { "30" } },
    });
}

TEST_F(InterpreterTest, DataReadAndRestore)
{
    expectsaid({
        { "10 READ A, B$, C$: PRINT A; B$; C$\n20 DATA 2.5, \"a, b\" , Brno  : PRINT \"x\"\n30 READ D: PRINT D\n40 DATA -1",
            { "2.5", "a, b", "Brno", "x", "-1" } },
        { "10 DATA 1, 2\n20 DATA 3\n30 READ A, B, C: RESTORE 20: READ D: RESTORE: READ E: PRINT A+B+C; D; E",
            { "6", "3", "1" } },
        { "10 READ A$, B: PRINT LEN(A$); B\n20 DATA , 7", { "0", "7" } },
    });
}

TEST_F(InterpreterTest, InputAsksAgainUntilTheValuesFit)
{
    host.typedlines = { "Eva", "x", "", "3,5", "1", "1, ano" };
    run("10 INPUT \"Jméno\"; N$: PRINT \"Ahoj \"; N$\n20 INPUT A: PRINT A\n30 INPUT \"Dvě\", B, C$: PRINT B; C$");
    EXPECT_EQ(host.said(), (std::vector<std::string> { "Jméno", "Ahoj ", "Eva", "Enter a number.", "Enter a number.",
                               "3.5", "Dvě", "Enter 2 values separated by commas.", "1", "ano" }));
    EXPECT_EQ(screen.line(0).substr(0, 9), cp1250::fromutf8("JménoEva "));
    EXPECT_EQ(screen.line(2).substr(0, 4), "3,5 ");
    EXPECT_TRUE(host.typedlines.empty());
}

TEST_F(InterpreterTest, InputFromTheDataFileUntilItsEnd)
{
    auto folder = std::filesystem::temp_directory_path() / ("vorkana-data-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "data.dta", std::ios::binary) << "první řádek\r\n2,5\nHanoj, 3\n";
    setdatafilefolder(folder.string());
    std::string message;
    try {
        runstart([] {
            runbasic(loadbasic("10 PRINT EOF(1)\n20 INPUT #1, A$: PRINT A$: INPUT #1, B: PRINT B\n"
                               "30 INPUT #1, C$, D: PRINT C$; D; EOF(1)\n40 INPUT #1, E$"));
        });
    } catch (const TVorkanaError& error) {
        message = error.what();
    }
    setdatafilefolder({});
    std::filesystem::remove_all(folder);
    std::vector<std::string> said = host.said();
    said.resize(std::min<std::size_t>(said.size(), 6));
    EXPECT_EQ(said, (std::vector<std::string> { "0", "první řádek", "2.5", "Hanoj", "3", "-1" }));
    EXPECT_EQ(message, "line 40: the file " + (folder / "data.dta").string() + " has no more lines");
}

TEST_F(InterpreterTest, ALoopThatNeverWaitsGivesTheWindowItsTurn)
{
    struct TEnough {};
    host.onwindowturn = [&] {
        if (host.windowturns == 3)
            throw TEnough {};
    };
    EXPECT_THROW(run("10 I=I+1: GOTO 10"), TEnough);
    EXPECT_EQ(host.windowturns, 3);
}
