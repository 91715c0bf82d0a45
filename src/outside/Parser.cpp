#include "outside/Parser.h"

#include <muParser.h>

#include <cmath>
#include <string>

namespace {

const double kPi = 3.141592653589793;
const double kE = 2.718281828459045;

// The engine's own operators are switched off and replaced by these so that a zero divisor is
// caught wherever it occurs, including inside sub-expressions whose result would hide it.
double Add(double a, double b) {
  return a + b;
}
double Subtract(double a, double b) {
  return a - b;
}
double Multiply(double a, double b) {
  return a * b;
}
double Divide(double a, double b) {
  if (b == 0.0) {
    throw DivideByZeroException();
  }
  return a / b;
}
double Power(double a, double b) {
  return std::pow(a, b);
}
double Less(double a, double b) {
  return a < b ? 1.0 : 0.0;
}
double LessEqual(double a, double b) {
  return a <= b ? 1.0 : 0.0;
}
double Greater(double a, double b) {
  return a > b ? 1.0 : 0.0;
}
double GreaterEqual(double a, double b) {
  return a >= b ? 1.0 : 0.0;
}
double Equal(double a, double b) {
  return a == b ? 1.0 : 0.0;
}
double NotEqual(double a, double b) {
  return a != b ? 1.0 : 0.0;
}
double And(double a, double b) {
  return (a != 0.0 && b != 0.0) ? 1.0 : 0.0;
}
double Or(double a, double b) {
  return (a != 0.0 || b != 0.0) ? 1.0 : 0.0;
}

void DefineOperators(mu::Parser& engine) {
  engine.EnableBuiltInOprt(false);
  // Constant folding is allowed for everything but division, which must fail at evaluation.
  engine.DefineOprt("+", Add, mu::prADD_SUB, mu::oaLEFT, true);
  engine.DefineOprt("-", Subtract, mu::prADD_SUB, mu::oaLEFT, true);
  engine.DefineOprt("*", Multiply, mu::prMUL_DIV, mu::oaLEFT, true);
  engine.DefineOprt("/", Divide, mu::prMUL_DIV, mu::oaLEFT, false);
  engine.DefineOprt("^", Power, mu::prPOW, mu::oaRIGHT, true);
  engine.DefineOprt("<", Less, mu::prCMP, mu::oaLEFT, true);
  engine.DefineOprt("<=", LessEqual, mu::prCMP, mu::oaLEFT, true);
  engine.DefineOprt(">", Greater, mu::prCMP, mu::oaLEFT, true);
  engine.DefineOprt(">=", GreaterEqual, mu::prCMP, mu::oaLEFT, true);
  engine.DefineOprt("==", Equal, mu::prCMP, mu::oaLEFT, true);
  engine.DefineOprt("!=", NotEqual, mu::prCMP, mu::oaLEFT, true);
  engine.DefineOprt("&&", And, mu::prLAND, mu::oaLEFT, true);
  engine.DefineOprt("||", Or, mu::prLOR, mu::oaLEFT, true);
}

}  // namespace

Parser::Parser(const std::string& expression) : expression_(expression), position_(0) {
  symbols_["pi"] = kPi;
  symbols_["e"] = kE;
}

Parser::Parser(const Parser& other)
    : expression_(other.expression_),
      position_(other.position_),
      token_(other.token_),
      symbols_(other.symbols_) {}

Parser& Parser::operator=(const Parser& other) {
  if (this != &other) {
    expression_ = other.expression_;
    position_ = other.position_;
    token_ = other.token_;
    symbols_ = other.symbols_;
    _Reset();
  }
  return *this;
}

// The compiled form of `other` was bound to `other` itself (its factory context), so it is not
// taken over; the table's nodes move with the map but the engine is rebuilt on demand anyway.
Parser::Parser(Parser&& other) noexcept
    : expression_(std::move(other.expression_)),
      position_(other.position_),
      token_(std::move(other.token_)),
      symbols_(std::move(other.symbols_)) {
  other._Reset();
}

Parser& Parser::operator=(Parser&& other) noexcept {
  if (this != &other) {
    expression_ = std::move(other.expression_);
    position_ = other.position_;
    token_ = std::move(other.token_);
    symbols_ = std::move(other.symbols_);
    _Reset();
    other._Reset();
  }
  return *this;
}

Parser::~Parser() = default;

double Parser::GetVariable(const std::string& name) const {
  auto it = symbols_.find(name);
  return it == symbols_.end() ? 0.0 : it->second;
}

void Parser::_Reset() {
  engine_.reset();
  bound_.clear();
}

bool Parser::_BindingsIntact() const {
  for (const auto& binding : bound_) {
    auto it = symbols_.find(binding.first);
    if (it == symbols_.end() || &it->second != binding.second) {
      return false;
    }
  }
  return true;
}

// Called by the engine while compiling, once per variable name it meets. std::map never
// relocates its nodes, so the address stays valid until the entry is erased, which
// _BindingsIntact() detects.
double* Parser::_BindVariable(const char* name, void* self) {
  Parser* parser = static_cast<Parser*>(self);
  double& slot = parser->symbols_[name];
  parser->bound_.emplace_back(name, &slot);
  return &slot;
}

double Parser::Evaluate() {
  // The engine's errors come from compiling, which depends on the expression
  // alone: once invalid, always invalid, without compiling again per value.
  if (!syntax_error_.empty()) {
    throw ParserSyntaxException(syntax_error_, position_);
  }
  try {
    if (engine_ && !_BindingsIntact()) {
      _Reset();
    }
    if (!engine_) {
      auto engine = std::make_unique<mu::Parser>();
      DefineOperators(*engine);
      engine->SetVarFactory(&Parser::_BindVariable, this);
      engine->SetExpr(expression_);
      engine_ = std::move(engine);
    }
    return engine_->Eval();
  } catch (const mu::ParserError& error) {
    _Reset();
    const int pos = error.GetPos();
    position_ = pos < 0 ? 0 : static_cast<size_t>(pos);
    token_ = error.GetToken();
    std::string message = error.GetMsg();
    if (message.find("position") == std::string::npos) {
      message += " (at position " + std::to_string(position_) + ")";
    }
    syntax_error_ = "Invalid expression \"" + expression_ + "\": " + message;
    throw ParserSyntaxException(syntax_error_, position_);
  }
}
