// A program outside the project that uses the installed package.
#include <ecucal/ecucal.h>

#include <cstdio>

int main() {
  util::DataHash<std::string, int> store;
  store.addData("ab", 1);
  if (vehicle::GetManufFromString("subaru") != vehicle::MANUF_SUBARU)
    return 1;
  if (store.findData("ab") != 1)
    return 1;
  std::puts("consumer ok");
  return 0;
}
