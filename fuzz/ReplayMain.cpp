// Runs a fuzz target's LLVMFuzzerTestOneInput over saved inputs, so the
// corpus and every kept crash input are checked by ordinary builds and
// compilers without libFuzzer.
//
// Arguments are files or folders; a folder contributes each regular file
// in it (not recursing, hidden files skipped). A missing folder is skipped.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace fs = std::filesystem;

namespace {

bool RunFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so reading past it is caught.
  std::vector<uint8_t> input(bytes.begin(), bytes.end());
  uint8_t* data = input.empty() ? nullptr : input.data();
  LLVMFuzzerTestOneInput(data, input.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr)
    LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      for (const auto& entry : fs::directory_iterator(arg)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && !name.empty() && name[0] != '.') {
          files.push_back(entry.path());
        }
      }
    } else if (fs::exists(arg, ec)) {
      files.push_back(arg);
    }
  }
  std::sort(files.begin(), files.end());
  size_t ran = 0;
  for (const auto& file : files) {
    std::printf("running %s\n", file.c_str());
    std::fflush(stdout);
    if (!RunFile(file))
      return 1;
    ++ran;
  }
  std::printf("%zu inputs ran\n", ran);
  if (ran == 0) {
    std::fprintf(stderr, "no inputs found\n");
    return 1;
  }
  return 0;
}
