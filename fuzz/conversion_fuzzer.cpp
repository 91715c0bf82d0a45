// Conversions built from arbitrary data types, run both ways on arbitrary
// values and raw bytes, and expressions of arbitrary text. Expression
// conversions let the evaluator's errors through and the evaluator throws
// only ParserException (divide by zero, syntax); anything else escaping is
// a fault.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "FuzzInput.h"
#include "outside/Binary.h"
#include "outside/Parser.h"
#include "vehicle/definition/Conv.h"
#include "vehicle/definition/DataType.h"

namespace {

util::e_endian PickEndian(uint8_t byte) {
  return static_cast<util::e_endian>(static_cast<int>(byte % 4) - 1);
}

std::shared_ptr<vehicle::DataType> MakeDataType(fuzz::FuzzInput& in) {
  auto type = std::make_shared<vehicle::DataType>();
  type->storage = static_cast<util::data::Storage_e>(static_cast<int>(in.Byte() % 9) - 1);
  type->endian = PickEndian(in.Byte());
  type->std_conv.type =
      static_cast<VehicleV2::ConversionTypes_e>(static_cast<int>(in.Byte() % 8) - 1);
  const uint8_t constants = in.Byte();
  if (constants & 1)
    type->std_conv.constants[VehicleV2::CONST_SCALAR] = in.InterestingDouble();
  if (constants & 2)
    type->std_conv.constants[VehicleV2::CONST_OFFSET] = in.InterestingDouble();
  if (constants & 4)
    type->std_conv.constants[VehicleV2::CONST_INVALID] = in.InterestingDouble();
  if (constants & 8)
    type->bit_mask = in.U32();
  if (constants & 16)
    type->min = in.InterestingDouble();
  if (constants & 32)
    type->max = in.InterestingDouble();
  type->SetObjId("fuzz");
  type->unit = (constants & 64) ? "u" : "";
  // Expression texts end at a newline each.
  type->str_conv.to_bin = in.Text('\n');
  type->str_conv.to_float = in.Text('\n');
  type->str_conv.compound = in.Text('\n');
  return type;
}

void Exercise(vehicle::Conv& conv, fuzz::FuzzInput& in) {
  const int rounds = 1 + in.Byte() % 4;
  for (int i = 0; i < rounds; ++i) {
    util::Binary out(std::vector<uint8_t>(in.Byte() % 6, 0xA5), PickEndian(in.Byte()));
    bool written = true;
    try {
      conv.ToBin(in.InterestingDouble(), out);
    } catch (const ParserException&) {
      written = false;
    }
    const uint32_t width = util::data::StorageWidth(conv.GetStorage());
    if (written && width != 0 &&
        (out.endian == util::ENDIAN_BIG || out.endian == util::ENDIAN_LITTLE) &&
        out.Size() != width) {
      std::fprintf(stderr, "ToBin wrote %zu bytes for a %u-byte storage\n", out.Size(), width);
      std::abort();
    }
    util::Binary raw(in.Bytes(in.Byte() % 6), PickEndian(in.Byte()));
    try {
      conv.ToDouble(raw);
    } catch (const ParserException&) {
    }
    conv.ToLongBin(in.InterestingDouble());
    conv.ToLongBin(static_cast<float>(in.InterestingDouble()));
    conv.BinToDouble(in.U32());
  }
  vehicle::CompoundInputOperand first(1);
  vehicle::CompoundInputOperand second(in.Byte());
  conv.SetOperandValue(first, in.InterestingDouble());
  conv.SetOperandValue(second, in.InterestingDouble());
  conv.CompoundToDouble();
}

void EvaluateExpression(const std::string& text, fuzz::FuzzInput& in) {
  Parser parser(text);
  parser.SetVariable("x", in.InterestingDouble());
  try {
    parser.Evaluate();
  } catch (const ParserException&) {
  }
  // A new value for every variable the expression used, then evaluate again:
  // the compiled form must read the updated table.
  for (auto& symbol : parser.Symbols())
    symbol.second = in.InterestingDouble();
  Parser copy(parser);
  try {
    parser.Evaluate();
  } catch (const ParserException&) {
  }
  // Dropping a variable the compiled form reads forces a fresh compile.
  if (!copy.Symbols().empty() && in.Bool())
    copy.Symbols().erase(copy.Symbols().begin());
  Parser moved(std::move(copy));
  try {
    moved.Evaluate();
  } catch (const ParserException&) {
  }
  parser = moved;
  try {
    parser.Evaluate();
  } catch (const ParserException&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const auto type = MakeDataType(in);
  type->Validate();
  const auto conv = vehicle::GetConv(in.Bool() ? type : nullptr);
  if (conv)
    Exercise(*conv, in);
  // Whatever text is left is one more expression.
  EvaluateExpression(in.Text('\0'), in);
  return 0;
}
