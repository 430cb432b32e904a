// Replays stored inputs through one fuzz target's entry point, as libFuzzer would call it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

namespace fs = std::filesystem;

const fs::path kSource = TOLM_SOURCE_DIR;

// The inputs of a folder in name order; notes and generators are not inputs.
std::vector<fs::path> inputsIn(const fs::path &folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  if (!fs::is_directory(folder, ec))
    return files;
  for (const auto &entry : fs::directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && ext != ".md" && ext != ".py" && ext != ".dict")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// libFuzzer never passes a null pointer, not even for an empty input.
const uint8_t kNoBytes[1] = {0};

void run(const std::vector<uint8_t> &bytes) {
  // An exact-size heap copy: AddressSanitizer then catches a read one past the end. The
  // result is not checked: a target may return -1 to keep an input out of the corpus.
  std::vector<uint8_t> exact(bytes);
  LLVMFuzzerTestOneInput(exact.empty() ? kNoBytes : exact.data(), exact.size());
}

size_t replay(const fs::path &folder) {
  size_t count = 0;
  for (const fs::path &file : inputsIn(folder)) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    // Printed first, so that the last name in the output is the input that crashed.
    std::printf("replay %s (%zu bytes)\n", file.string().c_str(), bytes.size());
    std::fflush(stdout);
    run(bytes);
    ++count;
  }
  return count;
}

TEST(Replay, EveryStoredInputRunsCleanThroughTheTarget) {
  const size_t regressions = replay(kSource / "tests/data/regressions" / TOLM_FUZZ_TARGET);
  const size_t seeds = replay(kSource / "fuzz/corpus" / TOLM_FUZZ_TARGET);
  const size_t samples = replay(kSource / "samples");
  std::printf("%s: %zu regression inputs, %zu seeds, %zu samples\n", TOLM_FUZZ_TARGET, regressions,
              seeds, samples);
  // The empty input too: every target must take it.
  run({});
  EXPECT_GT(regressions + seeds + samples, 0u) << "nothing to replay for " << TOLM_FUZZ_TARGET;
}

} // namespace
