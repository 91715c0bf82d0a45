#include "DefinitionGenerator.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace bench {
namespace {

// splitmix64: the same sequence on every platform, unlike the standard
// distributions.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // In [0, n).
  unsigned Below(unsigned n) { return n == 0 ? 0 : static_cast<unsigned>(Next() % n); }
  // In [lo, hi].
  unsigned Between(unsigned lo, unsigned hi) { return lo + Below(hi - lo + 1); }
  bool Chance(unsigned percent) { return Below(100) < percent; }

 private:
  uint64_t state_;
};

const char* const kSystems[] = {"FUEL",   "IGNITION", "BOOST",     "THROTTLE", "IDLE",
                                "KNOCK",  "CAM",      "EGR",       "LAMBDA",   "COOLANT",
                                "INTAKE", "TORQUE",   "WASTEGATE", "INJECTOR", "MAF",
                                "AVCS",   "LAUNCH",   "TRANS",     "FAN",      "CRUISE"};
const char* const kNouns[] = {"MAP",  "TARGET", "LIMIT", "COMP",      "TRIM",       "BASE",
                              "CORR", "GAIN",   "DELAY", "THRESHOLD", "ACTIVATION", "RATE"};
const char* const kQualifiers[] = {"PRIMARY", "SECONDARY",  "BANK_1",     "BANK_2",
                                   "COLD",    "WARM",       "LOW_OCTANE", "HIGH_OCTANE",
                                   "CRUISE",  "NON_CRUISE", "TIP_IN",     "STEADY_STATE"};
const char* const kQuantities[] = {
    "ENGINE_SPEED",   "VEHICLE_SPEED",   "MANIFOLD_PRESSURE", "COOLANT_TEMP", "INTAKE_TEMP",
    "THROTTLE_ANGLE", "IGNITION_TIMING", "KNOCK_CORRECTION",  "AIRFLOW",      "INJECTOR_DUTY",
    "LAMBDA_SENSOR",  "BATTERY_VOLTAGE", "BOOST_ERROR",       "CAM_ANGLE",    "FUEL_PRESSURE"};
const char* const kUnits[] = {"rpm", "kPa", "degC", "deg", "%", "ms", "g/s", "lambda", "V", "Nm"};
const char* const kModules[] = {"ecu", "tcm"};

template <size_t N>
const char* Pick(const char* const (&words)[N], unsigned index) {
  return words[index % N];
}

std::string Number(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof(text), "%0*u", digits, value);
  return text;
}

uint32_t AlignUp(uint32_t offset) {
  return (offset + 0xFFFu) & ~0xFFFu;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%X", value);
  return text;
}

// "FUEL_MAP_0001_PRIMARY": systems, nouns and qualifiers cycle at different
// rates so that neighbouring ids differ in more than their number.
std::string NameFor(const char* prefix, unsigned index) {
  std::string id = prefix;
  id += Pick(kSystems, index * 7 + index / 20);
  id += '_';
  id += Pick(kNouns, index * 5 + index / 12);
  id += '_';
  id += Number(index + 1, 4);
  id += '_';
  id += Pick(kQualifiers, index * 3 + index / 12);
  return id;
}

// ---------------------------------------------------------------- data types

enum class ConvKind {
  kSlopeInt,
  kPtSlope,
  kInvOffset,
  kDirect,
  kExpression,
  kMonitorExpression,
  kCompound,
  kLabels,
  kCustom
};

struct TypeSpec {
  std::string id;
  const char* storage;
  ConvKind kind;
  bool for_tables;
  unsigned inputs = 0;  // compound types: how many inputs the expression uses
};

const char* const kStorages[] = {"8", "8s", "16", "16s", "32", "32s", "float"};

// The engineering range of a raw storage, before scaling.
void RawRange(const std::string& storage, double& lo, double& hi) {
  if (storage == "8")
    lo = 0, hi = 255;
  else if (storage == "8s")
    lo = -128, hi = 127;
  else if (storage == "16")
    lo = 0, hi = 65535;
  else if (storage == "16s")
    lo = -32768, hi = 32767;
  else if (storage == "32")
    lo = 0, hi = 4294967295.0;
  else if (storage == "32s")
    lo = -2147483648.0, hi = 2147483647.0;
  else
    lo = -1.0e6, hi = 1.0e6;
}

std::string Text(double value) {
  char text[40];
  std::snprintf(text, sizeof(text), "%.9g", value);
  return text;
}

TiXmlElement* Add(TiXmlNode* parent, const char* name) {
  auto* element = new TiXmlElement(name);
  parent->LinkEndChild(element);
  return element;
}

void WriteDataType(TiXmlNode* parent, const TypeSpec& spec, Random& random) {
  TiXmlElement* type = Add(parent, "datatype");
  type->SetAttribute("id", spec.id);
  type->SetAttribute("unit", Pick(kUnits, random.Below(100)));
  type->SetAttribute("endian", random.Chance(70) ? "big" : "little");
  type->SetAttribute("storage", spec.storage);
  const std::string storage = spec.storage;
  const bool is_float = storage == "float";
  double lo = 0, hi = 0;
  RawRange(storage, lo, hi);

  TiXmlElement* conv = Add(type, "conv");
  const double scalar = is_float ? 1.0 : 1.0 / (1u << random.Between(0, 8));
  const double offset = random.Chance(50) ? 0.0 : -40.0;
  switch (spec.kind) {
    case ConvKind::kSlopeInt:
      conv->SetAttribute("type", "slope-int");
      conv->SetAttribute("scalar", Text(scalar));
      conv->SetAttribute("offset", Text(offset));
      lo = lo * scalar + offset, hi = hi * scalar + offset;
      break;
    case ConvKind::kPtSlope:
      conv->SetAttribute("type", "pt-slope");
      conv->SetAttribute("scalar", Text(scalar));
      conv->SetAttribute("offset", Text(offset));
      lo = (lo + offset) * scalar, hi = (hi + offset) * scalar;
      break;
    case ConvKind::kInvOffset:
      // Period to frequency: raw + offset never reaches 0 for unsigned raws.
      conv->SetAttribute("type", "inv-offset");
      conv->SetAttribute("scalar", "60000000");
      conv->SetAttribute("offset", "1");
      lo = 60000000.0 / (hi + 1.0), hi = 60000000.0;
      break;
    case ConvKind::kDirect:
      conv->SetAttribute("type", "direct");
      break;
    case ConvKind::kExpression:
      if (is_float) {
        conv->SetAttribute("to_float", "x*2");
        conv->SetAttribute("to_bin", "x/2");
        lo *= 2, hi *= 2;
      } else {
        conv->SetAttribute("to_float", "x*" + Text(scalar) + "-40");
        conv->SetAttribute("to_bin", "(x+40)/" + Text(scalar));
        lo = lo * scalar - 40, hi = hi * scalar - 40;
      }
      break;
    case ConvKind::kMonitorExpression:
      // A to_float text is only read beside a to_bin text.
      conv->SetAttribute("to_bin", "x*100");
      conv->SetAttribute("to_float", "x*0.01+sin(x/1000)");
      break;
    case ConvKind::kCompound: {
      std::string expression = "input1";
      for (unsigned i = 2; i <= spec.inputs; ++i) {
        expression += (i % 2 == 0 ? "*0.5+input" : "-input") + std::to_string(i);
      }
      conv->SetAttribute("compound", expression);
      break;
    }
    case ConvKind::kLabels:
      conv->SetAttribute("type", "labels");
      for (const char* label : {"Off", "On", "Fault"}) {
        Add(conv, "label")->LinkEndChild(new TiXmlText(label));
      }
      break;
    case ConvKind::kCustom:
      conv->SetAttribute("type", "custom");
      break;
  }
  type->SetAttribute("min", Text(std::min(lo, hi)));
  type->SetAttribute("max", Text(std::max(lo, hi)));
  type->SetAttribute("sm_delta", Text(is_float ? 0.1 : scalar));
  type->SetAttribute("lg_delta", Text(is_float ? 1.0 : scalar * 10));
  static const char* const kFormats[] = {"%.0f", "%.1f", "%.2f", "%.3f"};
  type->SetAttribute("format", Pick(kFormats, random.Below(4)));
  if (spec.for_tables) {
    type->SetAttribute("target", "table");
    if (random.Chance(10))
      Add(type, "inv_delta");
  } else if (spec.kind == ConvKind::kDirect && storage == "8" && random.Chance(50)) {
    type->SetAttribute("mask", "0x0F");
  }
}

// ---------------------------------------------------------------- tables

enum class Shape { kData, k2D, k3D, k4D };

struct PooledAxis {
  std::string id;
  std::string role;
  unsigned type = 0;  // index into the table types
  unsigned count = 0;
  uint32_t offset = 0;
};

struct AxisSpec {
  std::string role;
  unsigned type = 0;
  unsigned count = 0;
  int pooled = -1;  // index into the role's pool, or -1 for an axis of its own
};

// The shape of a table, reused for its twin in a copy group and its slaves.
struct TableTemplate {
  Shape shape = Shape::k3D;
  std::vector<AxisSpec> breakpoints;
  unsigned z_type = 0;
  unsigned data_count = 1;  // "data" tables: the number of values
  bool ram = false;         // z also lives in RAM
  bool adjustable = false;
};

class TreeWriter {
 public:
  explicit TreeWriter(const DefinitionScale& scale) : scale_(scale), random_(0x5EEDC0FFEEull) {}

  GeneratedDefinition Write(const std::string& folder);

 private:
  void MakeTypes();
  void MakePools();
  TableTemplate MakeTemplate(unsigned index);
  void WriteTable(TiXmlNode* parent, const std::string& id, const TableTemplate& shape,
                  const std::string& group, const std::string& master);
  void WriteAxis(TiXmlElement* table, const std::string& table_id, const AxisSpec& spec);
  void WriteGroups(TiXmlNode* root);
  void WriteMonitors(TiXmlNode* root);
  void WriteToggles(TiXmlNode* root);
  uint32_t Allocate(uint32_t bytes);
  unsigned Width(unsigned type) const;
  std::vector<std::string> TablesFor(unsigned part, unsigned parts) const;

  const DefinitionScale& scale_;
  Random random_;
  GeneratedDefinition out_;
  std::vector<TypeSpec> table_types_;
  std::vector<TypeSpec> monitor_types_;
  std::vector<TypeSpec> compound_types_;
  std::vector<PooledAxis> pools_[3];  // x, y, w
  std::vector<std::string> table_groups_;
  std::vector<std::string> monitor_groups_;
  std::set<std::pair<int, int>> used_pooled_;  // (pool, index) of pooled axes written
  uint32_t next_offset_ = 0x20000;
};

unsigned TreeWriter::Width(unsigned type) const {
  const std::string storage = table_types_[type].storage;
  if (storage == "8" || storage == "8s")
    return 1;
  if (storage == "16" || storage == "16s")
    return 2;
  return 4;
}

uint32_t TreeWriter::Allocate(uint32_t bytes) {
  const uint32_t offset = next_offset_;
  next_offset_ += (bytes + 3u) & ~3u;
  return offset;
}

void TreeWriter::MakeTypes() {
  const unsigned total = scale_.data_types;
  const unsigned expressions = std::max(3u, total / 10);
  // Of the expression types: most are table conversions, a few read-only
  // monitor conversions, and the compound ones serve the compound monitors.
  const unsigned compound = std::max(1u, expressions * 15 / 100);
  const unsigned monitor_expressions = std::max(1u, expressions / 10);
  const unsigned table_expressions = expressions - compound - monitor_expressions;
  const unsigned monitor_plain = std::max(3u, (total - expressions) / 4);
  const unsigned table_plain =
      total > expressions + monitor_plain ? total - expressions - monitor_plain : 4;

  static const ConvKind kTableKinds[] = {
      ConvKind::kSlopeInt, ConvKind::kSlopeInt, ConvKind::kSlopeInt, ConvKind::kPtSlope,
      ConvKind::kDirect,   ConvKind::kSlopeInt, ConvKind::kInvOffset};
  unsigned n = 0;
  for (unsigned i = 0; i < table_plain; ++i, ++n) {
    ConvKind kind = kTableKinds[i % 7];
    const char* storage = kStorages[(i / 7 + i) % 7];
    // Reciprocal conversions only make sense on unsigned periods.
    if (kind == ConvKind::kInvOffset)
      storage = (i % 2) ? "16" : "32";
    table_types_.push_back({NameFor("DT_", n), storage, kind, true});
  }
  for (unsigned i = 0; i < table_expressions; ++i, ++n) {
    table_types_.push_back({NameFor("DT_EXPR_", n), kStorages[i % 7], ConvKind::kExpression, true});
  }
  static const ConvKind kMonitorKinds[] = {ConvKind::kSlopeInt, ConvKind::kDirect,
                                           ConvKind::kLabels,   ConvKind::kCustom,
                                           ConvKind::kPtSlope,  ConvKind::kSlopeInt};
  for (unsigned i = 0; i < monitor_plain; ++i, ++n) {
    monitor_types_.push_back(
        {NameFor("DT_MON_", n), kStorages[i % 7], kMonitorKinds[i % 6], false});
  }
  for (unsigned i = 0; i < monitor_expressions; ++i, ++n) {
    monitor_types_.push_back(
        {NameFor("DT_MON_EXPR_", n), kStorages[i % 5], ConvKind::kMonitorExpression, false});
  }
  for (unsigned i = 0; i < compound; ++i, ++n) {
    TypeSpec spec{NameFor("DT_CALC_", n), "float", ConvKind::kCompound, false};
    spec.inputs = 2 + i % 3;
    compound_types_.push_back(spec);
  }
  out_.data_types = n;
  out_.expression_types = expressions;
}

void TreeWriter::MakePools() {
  // Shared breakpoints: a few hundred speed, load and temperature axes that
  // many tables use, the way real calibrations share their breakpoints.
  const char* const roles[] = {"x", "y", "w"};
  const unsigned sizes[] = {std::max(2u, scale_.tables / 27), std::max(2u, scale_.tables / 27),
                            std::max(1u, scale_.tables / 200)};
  for (int r = 0; r < 3; ++r) {
    for (unsigned i = 0; i < sizes[r]; ++i) {
      PooledAxis axis;
      axis.role = roles[r];
      axis.id = std::string(Pick(kQuantities, i * 3 + r)) + "_AXIS_" + Number(i + 1, 3) + "_" +
                (r == 0   ? "X"
                 : r == 1 ? "Y"
                          : "W");
      axis.type = random_.Below(static_cast<unsigned>(table_types_.size()));
      axis.count = r == 2 ? random_.Between(2, 6) : random_.Between(8, 24);
      axis.offset = Allocate(axis.count * Width(axis.type));
      pools_[r].push_back(axis);
    }
  }
}

TableTemplate TreeWriter::MakeTemplate(unsigned index) {
  TableTemplate t;
  const unsigned r = index % 100;
  t.shape = r < 3 ? Shape::kData : r < 15 ? Shape::k2D : r < 25 ? Shape::k4D : Shape::k3D;
  const unsigned types = static_cast<unsigned>(table_types_.size());
  t.z_type = random_.Below(types);
  std::vector<std::string> roles;
  switch (t.shape) {
    case Shape::kData:
      t.data_count = random_.Chance(70) ? 1 : random_.Between(2, 16);
      t.adjustable = index % 3 == 0;
      t.ram = t.adjustable || random_.Chance(20);
      if (t.adjustable) {
        // Adjusting a table live needs a conversion by kind, not by expression.
        while (table_types_[t.z_type].kind == ConvKind::kExpression)
          t.z_type = random_.Below(types);
      }
      return t;
    case Shape::k2D:
      roles = {random_.Chance(80) ? "x" : "y"};
      break;
    case Shape::k3D:
      roles = {"x", "y"};
      break;
    case Shape::k4D:
      roles = {"w", "x", "y"};
      break;
  }
  t.ram = random_.Chance(4);
  for (const std::string& role : roles) {
    const int pool = role == "x" ? 0 : role == "y" ? 1 : 2;
    AxisSpec spec;
    spec.role = role;
    if (random_.Chance(50)) {
      spec.pooled = static_cast<int>(random_.Below(static_cast<unsigned>(pools_[pool].size())));
      spec.type = pools_[pool][spec.pooled].type;
      spec.count = pools_[pool][spec.pooled].count;
    } else {
      spec.type = random_.Below(types);
      spec.count = pool == 2 ? random_.Between(2, 6) : random_.Between(4, 20);
    }
    t.breakpoints.push_back(spec);
  }
  return t;
}

void TreeWriter::WriteAxis(TiXmlElement* table, const std::string& table_id, const AxisSpec& spec) {
  TiXmlElement* axis = Add(table, "axis");
  ++out_.axis_elements;
  if (spec.pooled >= 0) {
    const int pool = spec.role == "x" ? 0 : spec.role == "y" ? 1 : 2;
    const PooledAxis& shared = pools_[pool][spec.pooled];
    axis->SetAttribute("id", shared.id);
    axis->SetAttribute("type", spec.role);
    axis->SetAttribute("datatype", table_types_[shared.type].id);
    axis->SetAttribute("count", static_cast<int>(shared.count));
    axis->SetAttribute("rom_offset", Hex(shared.offset));
    ++out_.pooled_axis_elements;
    used_pooled_.insert({pool, spec.pooled});
    return;
  }
  const std::string suffix = spec.role == "x" ? "X" : spec.role == "y" ? "Y" : "W";
  axis->SetAttribute("id", table_id + "_" + suffix + "_AXIS");
  axis->SetAttribute("type", spec.role);
  axis->SetAttribute("datatype", table_types_[spec.type].id);
  axis->SetAttribute("count", static_cast<int>(spec.count));
  axis->SetAttribute("rom_offset", Hex(Allocate(spec.count * Width(spec.type))));
  ++out_.distinct_axes;
}

void TreeWriter::WriteTable(TiXmlNode* parent, const std::string& id, const TableTemplate& shape,
                            const std::string& group, const std::string& master) {
  TiXmlElement* table = Add(parent, "table");
  table->SetAttribute("id", id);
  static const char* const kShapeWords[] = {"data", "2d", "3d", "4d"};
  table->SetAttribute("type", kShapeWords[static_cast<int>(shape.shape)]);
  table->SetAttribute("group", group);
  if (!master.empty()) {
    table->SetAttribute("master_table", master);
    ++out_.slave_tables;
  }
  if (shape.adjustable) {
    table->SetAttribute("adjustable", "1");
    ++out_.adjustable_tables;
  }
  ++out_.tables;

  unsigned values = 1;
  unsigned x = 1, y = 1;
  for (const AxisSpec& spec : shape.breakpoints) {
    WriteAxis(table, id, spec);
    values *= spec.count;
    if (spec.role == "x")
      x = spec.count;
    if (spec.role == "y")
      y = spec.count;
  }

  TiXmlElement* z = Add(table, "axis");
  ++out_.axis_elements;
  ++out_.distinct_axes;
  z->SetAttribute("id", id + "_Z_AXIS");
  z->SetAttribute("type", "z");
  z->SetAttribute("datatype", table_types_[shape.z_type].id);
  if (shape.shape == Shape::kData) {
    values = shape.data_count;
    z->SetAttribute("count", static_cast<int>(values));
  }
  const uint32_t bytes = values * Width(shape.z_type);
  z->SetAttribute("rom_offset", Hex(Allocate(bytes)));
  if (shape.ram)
    z->SetAttribute("ram_offset", Hex(0xFF0000u + (Allocate(bytes) & 0xFFFFu)));
  if (shape.shape == Shape::k2D || shape.shape == Shape::k3D) {
    // Four-dimensional value grids take their shape from the axes instead.
    TiXmlElement* dimensions = Add(z, "dimensions");
    dimensions->SetAttribute("x", static_cast<int>(x));
    dimensions->SetAttribute("y", static_cast<int>(y));
  }
  Add(z, "copyable");
}

void TreeWriter::WriteGroups(TiXmlNode* root) {
  const unsigned monitor_groups = std::max(1u, scale_.groups / 5);
  const unsigned table_groups = std::max(2u, scale_.groups - monitor_groups);
  for (unsigned i = 0; i < table_groups; ++i)
    table_groups_.push_back(NameFor("G_", i));
  for (unsigned i = 0; i < monitor_groups; ++i) {
    monitor_groups_.push_back("G_LIVE_" + std::string(Pick(kQuantities, i)) + "_" +
                              Number(i + 1, 3));
  }
  for (unsigned i = 0; i < table_groups; ++i) {
    TiXmlElement* group = Add(root, "group");
    group->SetAttribute("id", table_groups_[i]);
    group->SetAttribute("type", "table");
    // Every tenth group is a folder of the next three, as editors show them.
    if (i % 10 == 0) {
      for (unsigned j = i + 1; j < std::min(table_groups, i + 4); ++j) {
        TiXmlElement* sub = Add(group, "group");
        sub->SetAttribute("id", table_groups_[j]);
        sub->SetAttribute("type", "table");
      }
    }
  }
  for (const std::string& id : monitor_groups_) {
    TiXmlElement* group = Add(root, "group");
    group->SetAttribute("id", id);
    group->SetAttribute("type", "monitor");
  }
  out_.groups = table_groups + monitor_groups;
}

void TreeWriter::WriteMonitors(TiXmlNode* root) {
  const unsigned compound = std::max(1u, scale_.monitors / 10);
  const unsigned plain = std::max(3u, scale_.monitors - compound);
  std::vector<std::string> plain_ids;
  for (unsigned i = 0; i < plain; ++i) {
    const std::string id = "MON_" + std::string(Pick(kQuantities, i * 7 + i / 15)) + "_" +
                           Number(i + 1, 4) + "_" + Pick(kQualifiers, i);
    plain_ids.push_back(id);
    TiXmlElement* monitor = Add(root, "monitor");
    monitor->SetAttribute("id", id);
    monitor->SetAttribute("group", monitor_groups_[i % monitor_groups_.size()]);
    monitor->SetAttribute("datatype", monitor_types_[i % monitor_types_.size()].id);
    monitor->SetAttribute("display_min", "0");
    monitor->SetAttribute("display_max", std::to_string(100 * (1 + i % 80)));
    if (i % 13 == 0)
      monitor->SetAttribute("input_only", "1");
    if (i % 3 == 2) {
      // Read by a two-byte identifier over the diagnostic protocol.
      TiXmlElement* comms = Add(monitor, "comms");
      comms->SetAttribute("module_id", Pick(kModules, i / 3));
      comms->SetAttribute("protocol", "iso_mode_22");
      comms->SetAttribute("id", Hex(0xF4 + (i >> 8) % 8) + ", " + Hex(i & 0xFF));
      comms->SetAttribute("offset", std::to_string(i % 4));
    } else {
      monitor->SetAttribute("protocol", "ram");
      monitor->SetAttribute("target", "ecu");
      monitor->SetAttribute("address", Hex(0xFF6000u + 4 * i));
    }
  }
  for (unsigned i = 0; i < compound; ++i) {
    const TypeSpec& type = compound_types_[i % compound_types_.size()];
    TiXmlElement* monitor = Add(root, "monitor");
    monitor->SetAttribute("id", "MON_CALC_" + std::string(Pick(kQuantities, i * 5)) + "_" +
                                    Number(i + 1, 4) + "_" + Pick(kQualifiers, i + 5));
    monitor->SetAttribute("group", monitor_groups_[i % monitor_groups_.size()]);
    monitor->SetAttribute("datatype", type.id);
    monitor->SetAttribute("display_min", "-1000");
    monitor->SetAttribute("display_max", "1000");
    for (unsigned k = 0; k < type.inputs; ++k) {
      Add(monitor, "input")
          ->LinkEndChild(new TiXmlText(plain_ids[(i * 7 + k * 131) % plain_ids.size()]));
    }
  }
  out_.monitors = plain + compound;
  out_.compound_monitors = compound;
}

void TreeWriter::WriteToggles(TiXmlNode* root) {
  uint32_t offset = out_.toggles_start;
  for (unsigned i = 0; i < scale_.toggles; ++i) {
    TiXmlElement* toggle = Add(root, "toggle");
    toggle->SetAttribute("id", "TGL_" + std::string(Pick(kSystems, i * 3 + i / 20)) + "_" +
                                   Pick(kNouns, i) + "_" + Number(i + 1, 4) + "_" +
                                   Pick(kQualifiers, i * 5));
    toggle->SetAttribute("type", "toggle");
    const unsigned pairs = i % 4 == 0 ? 2 : 1;
    for (unsigned p = 0; p < pairs; ++p) {
      TiXmlElement* pair = Add(toggle, "toggle_pair");
      pair->SetAttribute("rom_offset", Hex(offset));
      if (i % 5 == 0) {
        pair->SetAttribute("enabled_values", "0x08");
        pair->SetAttribute("disabled_values", "0x00");
        pair->SetAttribute("mask_values", "0x08");
        offset += 1;
      } else {
        pair->SetAttribute("enabled_values", "0x01, 0x00");
        pair->SetAttribute("disabled_values", "0x00, 0x00");
        offset += 2;
      }
    }
  }
  out_.toggles = scale_.toggles;
  next_offset_ = offset;
}

std::unique_ptr<TiXmlDocument> NewDocument(TiXmlElement*& root) {
  auto document = std::make_unique<TiXmlDocument>();
  document->LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
  root = new TiXmlElement("vehicledef");
  root->SetAttribute("version", "1.1");
  document->LinkEndChild(root);
  return document;
}

void Include(TiXmlElement* root, const std::string& path) {
  Add(root, "include")->LinkEndChild(new TiXmlText(path));
}

void Save(TiXmlDocument& document, const std::filesystem::path& path, GeneratedDefinition& out) {
  std::filesystem::create_directories(path.parent_path());
  if (!document.SaveFile(path.string())) {
    throw std::runtime_error("cannot write " + path.string());
  }
  out.documents.push_back(path.string());
}

GeneratedDefinition TreeWriter::Write(const std::string& folder) {
  const std::filesystem::path base(folder);
  MakeTypes();
  MakePools();

  // Documents: top.xml includes common/types.xml, live/monitors.xml and
  // maps/tables.xml; maps/tables.xml includes maps/extra/tables.xml, which
  // includes maps/extra/deep/tables.xml: three levels below the top.
  TiXmlElement* top_root = nullptr;
  auto top = NewDocument(top_root);
  top_root->SetAttribute("id", "BENCH_SYNTH_WRX_SD_2008");
  top_root->SetAttribute("variants", "BENCH_SYNTH_WRX_SD_2008, BENCH_SYNTH_WRX_2008");
  TiXmlElement* rominfo = Add(top_root, "rominfo");
  rominfo->SetAttribute("cpu", "sh7058");
  rominfo->SetAttribute("protocol", "suba_ssm_can");
  rominfo->SetAttribute("rom_name", "BENCH_SYNTH_WRX_2008_STOCK");
  rominfo->SetAttribute("monitor_byte_limit", "96");
  TiXmlElement* params = Add(rominfo, "dtc_parser_params");
  params->SetAttribute("id", "SUBARU_HITACHI_DTC_PARSER");
  params->SetAttribute("dtc_struct_size", "12");
  params->SetAttribute("dtc_pcode_idx", "4");
  Include(top_root, "common/types.xml");
  Include(top_root, "live/monitors.xml");
  Include(top_root, "maps/tables.xml");

  TiXmlElement* types_root = nullptr;
  auto types = NewDocument(types_root);
  for (const auto* list : {&table_types_, &monitor_types_, &compound_types_}) {
    for (const TypeSpec& spec : *list)
      WriteDataType(types_root, spec, random_);
  }
  WriteGroups(types_root);

  TiXmlElement* live_root = nullptr;
  auto live = NewDocument(live_root);
  WriteMonitors(live_root);

  TiXmlElement* table_roots[3] = {nullptr, nullptr, nullptr};
  auto tables_main = NewDocument(table_roots[0]);
  auto tables_extra = NewDocument(table_roots[1]);
  auto tables_deep = NewDocument(table_roots[2]);
  Include(table_roots[0], "extra/tables.xml");
  Include(table_roots[1], "deep/tables.xml");

  // Copy group categories of two children each; every child lists the same
  // aliases, each naming one table of a pair built from one template.
  const unsigned categories = std::max(1u, scale_.copy_groups / 3);
  const unsigned per_child = 4;
  std::vector<std::vector<std::string>> pairs;  // [pair] -> two table ids

  unsigned written = 0;
  unsigned index = 0;
  std::vector<std::pair<std::string, TableTemplate>> masters;
  const auto root_for = [&](unsigned n) {
    return table_roots[n * 3 / std::max(1u, scale_.tables)];
  };
  const auto group_for = [&](unsigned n) { return table_groups_[n % table_groups_.size()]; };
  while (written < scale_.tables) {
    const std::string id = NameFor("", index);
    TableTemplate shape = MakeTemplate(index);
    const bool want_pair = pairs.size() < categories * per_child && shape.shape == Shape::k3D &&
                           written + 1 < scale_.tables;
    const bool want_slave = !want_pair && !masters.empty() && index % 97 == 50;
    if (want_slave) {
      // A slave repeats its master's shape and data types at its own offsets.
      const auto& master = masters[random_.Below(static_cast<unsigned>(masters.size()))];
      WriteTable(root_for(written), id + "_SLAVE", master.second, group_for(written), master.first);
      ++written;
    } else if (want_pair) {
      const std::string twin = NameFor("", index) + "_ALT";
      WriteTable(root_for(written), id, shape, group_for(written), "");
      WriteTable(root_for(written + 1), twin, shape, group_for(written + 1), "");
      pairs.push_back({id, twin});
      written += 2;
    } else {
      WriteTable(root_for(written), id, shape, group_for(written), "");
      if (shape.shape == Shape::k3D && masters.size() < 64)
        masters.emplace_back(id, shape);
      ++written;
    }
    ++index;
  }

  // Behind the tables: one state byte per trouble code, then the 12-byte code
  // entries (the code at byte 4), then the switches.
  out_.tables_end = next_offset_;
  out_.trouble_codes = scale_.trouble_codes;
  out_.trouble_codes_start = AlignUp(out_.tables_end);
  // The family walks one entry per byte between the two addresses.
  const uint32_t code_entries = out_.trouble_codes_start + scale_.trouble_codes;
  params->SetAttribute("dtc_enabled_state_address", Hex(out_.trouble_codes_start));
  params->SetAttribute("dtc_definition_address", Hex(code_entries));
  out_.toggles_start = AlignUp(code_entries + 4 + 12 * scale_.trouble_codes);
  WriteToggles(live_root);
  out_.rom_bytes = 4u << 20;
  while (out_.rom_bytes < next_offset_ && out_.rom_bytes < (1u << 31))
    out_.rom_bytes *= 2;

  for (unsigned c = 0; c < categories && c * per_child < pairs.size(); ++c) {
    TiXmlElement* category = Add(top_root, "copy_group");
    const std::string category_id =
        "CG_" + std::string(Pick(kSystems, c * 3)) + "_CALIBRATION_SET_" + Number(c + 1, 2);
    category->SetAttribute("id", category_id);
    ++out_.copy_groups;
    for (unsigned side = 0; side < 2; ++side) {
      TiXmlElement* child = Add(category, "copy_group");
      child->SetAttribute("id", category_id + (side == 0 ? "_PRIMARY" : "_ALTERNATE"));
      ++out_.copy_groups;
      for (unsigned k = 0; k < per_child && c * per_child + k < pairs.size(); ++k) {
        TiXmlElement* copyable = Add(child, "copyable");
        copyable->SetAttribute("alias", std::string(Pick(kNouns, k)) + "_" + Pick(kQualifiers, k));
        copyable->SetAttribute("table_id", pairs[c * per_child + k][side]);
      }
    }
  }

  Save(*top, base / "top.xml", out_);
  Save(*types, base / "common" / "types.xml", out_);
  Save(*live, base / "live" / "monitors.xml", out_);
  Save(*tables_main, base / "maps" / "tables.xml", out_);
  Save(*tables_extra, base / "maps" / "extra" / "tables.xml", out_);
  Save(*tables_deep, base / "maps" / "extra" / "deep" / "tables.xml", out_);
  out_.top_path = (base / "top.xml").string();
  // Every pooled axis definition is one distinct axis, however many tables use it.
  out_.distinct_axes += static_cast<unsigned>(used_pooled_.size());
  return out_;
}

}  // namespace

DefinitionScale DefinitionScale::Scaled(double factor) {
  const auto scaled = [factor](unsigned value, unsigned minimum) {
    return std::max(minimum, static_cast<unsigned>(std::lround(value * factor)));
  };
  DefinitionScale scale;
  scale.tables = scaled(scale.tables, 8);
  scale.data_types = scaled(scale.data_types, 30);
  scale.monitors = scaled(scale.monitors, 10);
  scale.toggles = scaled(scale.toggles, 1);
  scale.groups = scaled(scale.groups, 6);
  scale.copy_groups = scaled(scale.copy_groups, 3);
  scale.trouble_codes = scaled(scale.trouble_codes, 8);
  return scale;
}

GeneratedDefinition WriteDefinitionTree(const std::string& folder, const DefinitionScale& scale) {
  TreeWriter writer(scale);
  return writer.Write(folder);
}

}  // namespace bench
