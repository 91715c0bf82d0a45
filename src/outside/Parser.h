#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace mu {
class Parser;
}

// Base of everything Parser::Evaluate throws.
class ParserException : public std::runtime_error {
 public:
  explicit ParserException(const std::string& what) : std::runtime_error(what) {}
};

// A division (or modulo-free quotient) whose divisor is zero, anywhere in the expression.
// what() is exactly "Divide by zero".
class DivideByZeroException : public ParserException {
 public:
  DivideByZeroException() : ParserException("Divide by zero") {}
};

// The expression text is not a valid expression. what() names the expression, the problem
// and the position in the text.
class ParserSyntaxException : public ParserException {
 public:
  ParserSyntaxException(const std::string& what, size_t position)
      : ParserException(what), position_(position) {}
  // Character offset of the problem in the expression text.
  size_t Position() const { return position_; }

 private:
  size_t position_;
};

// Evaluates one infix arithmetic expression over named double variables.
//
// The expression is compiled once, on the first Evaluate(), and the compiled form reads the
// variables straight from the symbol table, so writing a new value into the table and calling
// Evaluate() again costs no re-parse. A name used by the expression that is not in the table is
// added to it with value 0 when the expression is compiled. Names the constructor seeds:
// "pi" and "e".
//
// Grammar: numbers, variables, + - * / ^ (right associative), unary -, comparisons
// (< <= > >= == !=, giving 1 or 0), && ||, the ternary "c ? a : b", parentheses and the
// usual functions (sin, cos, tan, asin, acos, atan, sinh, cosh, tanh, log2, log10, log, ln,
// exp, sqrt, sign, rint, abs, min, max, sum, avg).
//
// Errors: a divisor of zero throws DivideByZeroException; an invalid expression throws
// ParserSyntaxException (again on every Evaluate()). Other domain errors give NaN or infinity.
//
// Copies are independent: a copy owns its own table and compiled form.
// Not thread-safe; one Parser is used by one thread at a time.
class Parser {
 public:
  explicit Parser(const std::string& expression);
  Parser(const Parser& other);
  Parser& operator=(const Parser& other);
  Parser(Parser&& other) noexcept;
  Parser& operator=(Parser&& other) noexcept;
  ~Parser();

  // Value of the expression for the current symbol table.
  double Evaluate();

  const std::string& GetExpression() const { return expression_; }

  // Offset in the expression of the last syntax error, 0 if none.
  size_t GetPosition() const { return position_; }
  // Offending token of the last syntax error, empty if none.
  const std::string& GetToken() const { return token_; }

  // The variables. Values written here are seen by the next Evaluate(). Erasing an entry that
  // the compiled expression uses makes the next Evaluate() compile again (and re-add it as 0).
  std::map<std::string, double>& Symbols() { return symbols_; }
  const std::map<std::string, double>& Symbols() const { return symbols_; }

  // Sets (creating when absent) one variable.
  void SetVariable(const std::string& name, double value) { symbols_[name] = value; }
  // Value of one variable; 0 when absent.
  double GetVariable(const std::string& name) const;

 private:
  static double* _BindVariable(const char* name, void* self);
  void _Reset();
  bool _BindingsIntact() const;

  std::string expression_;
  size_t position_;
  std::string token_;
  std::map<std::string, double> symbols_;
  // The text of the syntax error the expression gave, empty while none; not
  // copied (a copy finds it again on its first Evaluate()).
  std::string syntax_error_;

  // Compiled state; rebuilt on demand and never shared between Parsers.
  std::unique_ptr<mu::Parser> engine_;
  // Variables the compiled expression reads, with the addresses it reads them from.
  std::vector<std::pair<std::string, const double*>> bound_;
};
