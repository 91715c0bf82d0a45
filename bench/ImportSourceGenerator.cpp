#include "ImportSourceGenerator.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

namespace bench {
namespace {

// A fixed sequence (64-bit linear congruential), the same on every platform.
class Sequence {
 public:
  unsigned Below(unsigned n) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<unsigned>((state_ >> 33) % n);
  }

 private:
  uint64_t state_ = 20240611;
};

struct Conversion {
  const char* units;
  const char* expression;
  const char* to_byte;
  const char* format;
};

// Straight lines, reciprocals and curves, as real definitions write them.
const Conversion kConversions[] = {
    {"rpm", "x*25/4", "x*4/25", "0"},
    {"g/rev", "x*0.00006103515625", "x/0.00006103515625", "0.000"},
    {"degC", "x-40", "x+40", "0"},
    {"%", "(x-128)/1.28", "x*1.28+128", "0.0"},
    {"deg", "x*0.351563-20", "(x+20)/0.351563", "0.00"},
    {"psi", "x*0.01933677", "x/0.01933677", "0.00"},
    {"cc/min", "1000000/x", "1000000/x", "0"},
    {"AFR", "14.7/(1+x*0.0078125)", "(14.7/x-1)/0.0078125", "0.00"},
    {"ms", "x*x/100", "sqrt(x*100)", "0.00"},
    {"kPa", "x", "x", "0"},
};
const char* const kStorages[] = {"uint8", "int8", "uint16", "int16", "uint32", "int32", "float"};
const unsigned kWidths[] = {1, 1, 2, 2, 4, 4, 4};
const char* const kCategories[] = {"Fuel",     "Ignition", "Boost",   "Idle",    "Knock",
                                   "Throttle", "Limits",   "Sensors", "Cooling", "Transmission"};

std::string Hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
  return buffer;
}

// An inline scaling; the storage word goes on the table element.
std::string Scaling(Sequence& random, unsigned& storage) {
  const Conversion& c = kConversions[random.Below(sizeof kConversions / sizeof kConversions[0])];
  storage = random.Below(7);
  return std::string("      <scaling units=\"") + c.units + "\" expression=\"" + c.expression +
         "\" to_byte=\"" + c.to_byte + "\" format=\"" + c.format +
         "\" fineincrement=\"0.1\" coarseincrement=\"1\"/>\n";
}

std::string StorageAttributes(Sequence& random, unsigned storage) {
  return std::string(" storagetype=\"") + kStorages[storage] + "\" endian=\"" +
         (random.Below(4) == 0 ? "little" : "big") + "\"";
}

}  // namespace

GeneratedImportSource WriteRomRaiderSource(const std::string& path, size_t target_bytes) {
  Sequence random;
  std::string base =
      "  <rom>\n    <romid>\n      <xmlid>BENCH_BASE</xmlid>\n"
      "      <memmodel>SH7058</memmodel>\n    </romid>\n";
  std::string leaf =
      "  <rom base=\"BENCH_BASE\">\n    <romid>\n      <xmlid>BENCH_LEAF</xmlid>\n"
      "      <internalidaddress>2000</internalidaddress>\n"
      "      <internalidstring>BENCH001</internalidstring>\n    </romid>\n";
  uint32_t address = 0x10000;
  auto place = [&address](unsigned bytes) {
    const uint32_t at = address;
    address += (bytes + 3) & ~3u;
    return at;
  };

  GeneratedImportSource out;
  out.path = path;
  out.rom = "BENCH_LEAF";
  while (base.size() + leaf.size() < target_bytes) {
    const unsigned n = out.tables++;
    const std::string name = "Table " + std::to_string(n) + " " + kCategories[n % 10];
    const std::string category = kCategories[(n / 3) % 10];
    const unsigned kind = random.Below(10);
    unsigned storage = 0;
    if (kind < 5) {
      // 3D: breakpoints on both axes; every other one stored y fastest.
      const unsigned nx = 8 + random.Below(13), ny = 8 + random.Below(13);
      std::string scaling = Scaling(random, storage);
      base += "    <table type=\"3D\" name=\"" + name + "\" category=\"" + category +
              "\" sizex=\"" + std::to_string(nx) + "\" sizey=\"" + std::to_string(ny) + "\"" +
              StorageAttributes(random, storage) + (n % 2 ? " swapxy=\"true\"" : "") + ">\n" +
              scaling;
      leaf += "    <table name=\"" + name + "\" storageaddress=\"" +
              Hex(place(nx * ny * kWidths[storage])) + "\">\n";
      for (const char* axis : {"X Axis", "Y Axis"}) {
        unsigned axis_storage = 0;
        std::string axis_scaling = Scaling(random, axis_storage);
        base += std::string("      <table type=\"") + axis + "\" name=\"" + axis + " of " + name +
                "\"" + StorageAttributes(random, axis_storage) + ">\n" + "  " + axis_scaling +
                "      </table>\n";
        leaf += std::string("      <table type=\"") + axis + "\" storageaddress=\"" +
                Hex(place((axis[0] == 'X' ? nx : ny) * kWidths[axis_storage])) + "\"/>\n";
      }
      base += "    </table>\n";
      leaf += "    </table>\n";
    } else if (kind < 7) {
      const unsigned count = 4 + random.Below(13);
      std::string scaling = Scaling(random, storage);
      unsigned axis_storage = 0;
      std::string axis_scaling = Scaling(random, axis_storage);
      base += "    <table type=\"2D\" name=\"" + name + "\" category=\"" + category +
              "\" sizey=\"" + std::to_string(count) + "\"" + StorageAttributes(random, storage) +
              ">\n" + scaling + "      <table type=\"Y Axis\" name=\"Breakpoints of " + name +
              "\"" + StorageAttributes(random, axis_storage) + ">\n  " + axis_scaling +
              "      </table>\n    </table>\n";
      leaf += "    <table name=\"" + name + "\" storageaddress=\"" +
              Hex(place(count * kWidths[storage])) + "\">\n      <table type=\"Y Axis\" " +
              "storageaddress=\"" + Hex(place(count * kWidths[axis_storage])) +
              "\"/>\n    </table>\n";
    } else if (kind < 9) {
      std::string scaling = Scaling(random, storage);
      base += "    <table type=\"1D\" name=\"" + name + "\" category=\"" + category + "\"" +
              StorageAttributes(random, storage) + ">\n" + scaling + "    </table>\n";
      leaf += "    <table name=\"" + name + "\" storageaddress=\"" + Hex(place(kWidths[storage])) +
              "\"/>\n";
    } else {
      base += "    <table type=\"Switch\" name=\"" + name + "\" category=\"" + category +
              "\" sizey=\"4\">\n      <state name=\"on\" data=\"01 01 00 FF\"/>\n" +
              "      <state name=\"off\" data=\"00 00 00 00\"/>\n    </table>\n";
      leaf += "    <table name=\"" + name + "\" storageaddress=\"" + Hex(place(4)) + "\"/>\n";
    }
  }
  base += "  </rom>\n";
  leaf += "  </rom>\n";

  const std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<roms>\n" + base + leaf + "</roms>\n";
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  if (!file.good())
    throw std::runtime_error("cannot write " + path);
  out.bytes = text.size();
  return out;
}

}  // namespace bench
