#include "outside/Parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>

namespace {

struct ValueCase {
  const char* expression;
  double x;
  double expected;
};

// The grammar is the evaluator's; these are the forms definitions use.
TEST(ParserTest, Evaluates) {
  const ValueCase cases[] = {
      {"x*0.1", 25, 2.5},       {"(x-40)/0.5", 50, 20},
      {"2*-x", 3, -6},          {"e", 0, 2.718281828459045},
      {"min(x,4,9)", 7, 4},     {"x<1 ? 5 : 6", 2, 6},
      {"x>=2 && x!=3", 2, 1},   {"x<=1 || x==3", 2, 0},
      {"x==0 ? 0 : 1/x", 0, 0},  // the untaken branch is not evaluated
  };
  for (const ValueCase& c : cases) {
    Parser parser(c.expression);
    parser.SetVariable("x", c.x);
    EXPECT_DOUBLE_EQ(c.expected, parser.Evaluate()) << c.expression;
  }
}

TEST(ParserTest, DivisionByZeroAnywhereThrows) {
  const ValueCase cases[] = {{"1/0", 0, 0},     {"0/0", 0, 0},     {"input1/x", 0, 0},
                             {"x/(x-1)", 1, 0}, {"0*(1/x)", 0, 0}, {"1/(1/(x-x)) + 2", 5, 0}};
  for (const ValueCase& c : cases) {
    Parser parser(c.expression);
    parser.SetVariable("x", c.x);
    try {
      parser.Evaluate();
      ADD_FAILURE() << c.expression << " did not throw";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ("Divide by zero", error.what()) << c.expression;
    }
  }
  // The failure belongs to one evaluation only.
  Parser parser("1/x");
  EXPECT_THROW(parser.Evaluate(), DivideByZeroException);
  parser.SetVariable("x", 4);
  EXPECT_DOUBLE_EQ(0.25, parser.Evaluate());
}

TEST(ParserTest, SyntaxErrorsNameExpressionAndPosition) {
  for (const char* text : {"1+", "", "x = 3", "foo(1)", "1/*2"}) {
    Parser parser(text);
    try {
      parser.Evaluate();
      ADD_FAILURE() << "\"" << text << "\" did not throw";
    } catch (const DivideByZeroException&) {
      ADD_FAILURE() << "\"" << text << "\" reported a division by zero";
    } catch (const ParserSyntaxException& error) {
      const std::string what = error.what();
      EXPECT_NE(std::string::npos, what.find("\"" + std::string(text) + "\"")) << what;
      EXPECT_NE(std::string::npos, what.find("position")) << what;
    }
    // The error is reported again, not remembered as a value.
    EXPECT_THROW(parser.Evaluate(), std::runtime_error);
  }
}

TEST(ParserTest, SyntaxErrorRecordsPositionAndToken) {
  Parser parser("x + y z");
  EXPECT_THROW(parser.Evaluate(), ParserSyntaxException);
  EXPECT_EQ(std::make_pair(6u, std::string("z")),
            std::make_pair(unsigned(parser.GetPosition()), parser.GetToken()));
}

// Unknown names start at zero, and a name erased from the table is bound again.
TEST(ParserTest, UnknownAndErasedVariablesReadZero) {
  Parser parser("input1 + input2 * 2");
  EXPECT_DOUBLE_EQ(0, parser.Evaluate());
  ASSERT_EQ(1u, parser.Symbols().count("input1"));
  parser.SetVariable("input2", 3);
  EXPECT_DOUBLE_EQ(6, parser.Evaluate());
  parser.Symbols().erase("input2");
  EXPECT_DOUBLE_EQ(0, parser.Evaluate());
  parser.Symbols().clear();
  parser.SetVariable("input1", 5);
  EXPECT_DOUBLE_EQ(5, parser.Evaluate());
}

// Copies and moved-to parsers evaluate against their own symbol table, and
// a copy outlives its original.
TEST(ParserTest, CopiesAndMovesOwnTheirTable) {
  auto original = std::make_unique<Parser>("x + 1");
  original->SetVariable("x", 1);
  EXPECT_DOUBLE_EQ(2, original->Evaluate());
  Parser copy(*original);
  copy.SetVariable("x", 10);
  EXPECT_DOUBLE_EQ(11, copy.Evaluate());
  EXPECT_DOUBLE_EQ(2, original->Evaluate());

  Parser assigned("0");
  EXPECT_DOUBLE_EQ(0, assigned.Evaluate());
  assigned = *original;
  original->SetVariable("x", 100);
  EXPECT_DOUBLE_EQ(2, assigned.Evaluate());
  original.reset();
  EXPECT_DOUBLE_EQ(11, copy.Evaluate());

  Parser moved(std::move(copy));
  moved.SetVariable("x", 7);
  EXPECT_DOUBLE_EQ(8, moved.Evaluate());
  Parser target("0");
  target = std::move(moved);
  target.SetVariable("x", 9);
  EXPECT_DOUBLE_EQ(10, target.Evaluate());
}

}  // namespace
