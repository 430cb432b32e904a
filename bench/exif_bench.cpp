// Benchmark of the EXIF reader core against libexiv2 over the camera corpus, and the heap peak of
// one analysis.
//
// Usage: exif_bench CORPUS_DIR [REPETITIONS] [STRINGS_RC]
// Every JPEG and TIFF under CORPUS_DIR is read into memory first. Each repetition times the
// core (analysis with the second IFD, then every entry copied out as "label value" text)
// and libexiv2 (the same buffers, every tag printed as "key value" text) in turn, each for
// at least half a second; the best and median rates are shown. Allocations are counted by
// the operator new below, which every library in the process uses.
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <regex>
#include <string>
#include <vector>

#include "exif/core/engine.h"
#include "exif/core/result.h"
#include "tests/exif/core/hostile_files.h"
#include "tests/exif/core/work_meter.h"

using daxtest::CountingSource;
using daxtest::PeakScope;

namespace {

using Clock = std::chrono::steady_clock;

struct File {
  std::string name;
  std::vector<uint8_t> bytes;
};

std::vector<File> loadCorpus(const std::filesystem::path &dir) {
  std::vector<File> files;
  for (const auto &item : std::filesystem::recursive_directory_iterator(dir)) {
    if (!item.is_regular_file())
      continue;
    std::string ext = item.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext != ".jpg" && ext != ".jpeg" && ext != ".tif" && ext != ".tiff")
      continue;
    std::ifstream in(item.path(), std::ios::binary);
    File f{
        std::filesystem::relative(item.path(), dir).string(),
        std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
    files.push_back(std::move(f));
  }
  std::sort(files.begin(), files.end(),
            [](const File &a, const File &b) { return a.name < b.name; });
  return files;
}

// The English language library's strings, read from its resource script; LoadString's
// lookup by id becomes an index.
class RcStrings final : public dax::StringSource {
public:
  explicit RcStrings(const std::string &rcPath) : m_table(65536) {
    std::ifstream in(rcPath);
    const std::regex line(R"re(^\s*(\d+),\s*"(.*)"\s*$)re");
    std::string text;
    std::smatch m;
    while (std::getline(in, text))
      if (std::regex_match(text, m, line) && std::stoul(m[1]) < m_table.size()) {
        m_table[std::stoul(m[1])] = m[2];
        ++m_count;
      }
  }
  bool load(uint32_t id, std::string &text) const override {
    if (id >= m_table.size() || m_table[id].empty())
      return false;
    text = m_table[id];
    return true;
  }
  size_t count() const { return m_count; }

private:
  std::vector<std::string> m_table;
  size_t m_count = 0;
};

// What one reader produced over the corpus: entries and text bytes, to compare the work and
// to keep the compiler from dropping it.
struct Output {
  size_t failures = 0;
  size_t entries = 0;
  size_t textBytes = 0;
};

constexpr uint32_t kAnalyzeWithThumbnail = dax::kOpAnalyze | dax::kWithThumbnail;

class CoreReader {
public:
  explicit CoreReader(const dax::StringSource &strings)
      : m_strings(strings), m_label(1024), m_value(65536) {}

  // One file as a caller of the library sees it: analysis, then every entry's texts.
  void read(const File &f, Output &out) {
    dax::MemorySource source(f.bytes);
    const int total = m_engine.analyze(source, m_strings, kAnalyzeWithThumbnail);
    if (total < 0) {
      ++out.failures;
      return;
    }
    dax::IterationSetup setup{1024, 65536};
    const int count = m_engine.beginIteration(&setup, dax::kOpBeginIteration);
    dax::EntryRecord record{0, 0, 0, m_label.data(), m_value.data()};
    m_text.clear();
    for (int i = 0; i < count; ++i) {
      if (m_engine.nextEntry(&record) < 0)
        break;
      m_text += m_label.data();
      m_text += ' ';
      m_text += m_value.data();
      m_text += '\n';
    }
    out.entries += static_cast<size_t>(count);
    out.textBytes += m_text.size();
  }

private:
  const dax::StringSource &m_strings;
  dax::Engine m_engine;
  std::vector<char> m_label, m_value;
  std::string m_text;
};

class ExivReader {
public:
  void read(const File &f, Output &out) {
    try {
      auto image = Exiv2::ImageFactory::open(f.bytes.data(), static_cast<long>(f.bytes.size()));
      image->readMetadata();
      const Exiv2::ExifData &exif = image->exifData();
      m_text.clear();
      for (const Exiv2::Exifdatum &d : exif) {
        m_text += d.key();
        m_text += ' ';
        m_text += d.print(&exif);
        m_text += '\n';
        ++out.entries;
      }
      out.textBytes += m_text.size();
    } catch (const std::exception &) {
      ++out.failures;
    }
  }

private:
  std::string m_text;
};

// Files per second of whole passes over the corpus, repeated for at least minSeconds.
template <class Reader>
double rate(Reader &reader, const std::vector<File> &files, double minSeconds, Output &out) {
  size_t done = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  do {
    Output pass;
    for (const File &f : files)
      reader.read(f, pass);
    out = pass;
    done += files.size();
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < minSeconds);
  return static_cast<double>(done) / elapsed;
}

// ---- work against the file's size ----

// One analysis (thumbnail included) in a fresh engine: bytes read, heap peak, processor time.
struct Work {
  uint64_t read = 0;
  size_t peak = 0;
  double seconds = 0;
  size_t entries = 0;
  bool cut = false;
};

Work measureWork(const std::vector<uint8_t> &bytes, const dax::StringSource &strings) {
  Work w;
  CountingSource source(bytes);
  const PeakScope scope;
  const auto start = Clock::now();
  {
    dax::Engine engine;
    engine.analyze(source, strings, kAnalyzeWithThumbnail);
    w.entries = engine.results().totalEntries();
    w.cut = engine.results().cut;
    w.peak = scope.peak();
  }
  w.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  w.read = source.requested();
  return w;
}

// Rows of bytes read and heap peak per byte of file, worst files named, against the limits
// 16 x size + 64 KiB and 2 x size + 1 MiB.
void workRows(const char *what, const std::vector<File> &files, const dax::StringSource &strings) {
  if (files.empty())
    return;
  double worstRead = 0, worstPeak = 0, worstReadShare = 0, worstPeakShare = 0, sumRead = 0;
  const File *readFile = &files.front(), *peakFile = &files.front();
  size_t cut = 0;
  for (const File &f : files) {
    const Work w = measureWork(f.bytes, strings);
    const double size = static_cast<double>(std::max<size_t>(f.bytes.size(), 1));
    const double read = static_cast<double>(w.read) / size,
                 peak = static_cast<double>(w.peak) / size;
    sumRead += read;
    cut += w.cut ? 1 : 0;
    if (read > worstRead)
      worstRead = read, readFile = &f;
    if (peak > worstPeak)
      worstPeak = peak, peakFile = &f;
    worstReadShare =
        std::max(worstReadShare, static_cast<double>(w.read) / (16.0 * size + 65536.0));
    worstPeakShare =
        std::max(worstPeakShare, static_cast<double>(w.peak) / (2.0 * size + 1048576.0));
  }
  std::printf("exif: work over %s (%zu files, %zu cut at the limits): bytes read / file size mean "
              "%.2f, worst %.2f (%s)\n",
              what, files.size(), cut, sumRead / static_cast<double>(files.size()), worstRead,
              readFile->name.c_str());
  std::printf("exif: work over %s: heap peak / file size worst %.2f (%s)\n", what, worstPeak,
              peakFile->name.c_str());
  std::printf("exif: work over %s: worst share of 16 x size + 64 KiB read %.1f%%, of 2 x size + 1 "
              "MiB heap %.1f%%; goal: %s\n",
              what, 100.0 * worstReadShare, 100.0 * worstPeakShare,
              worstReadShare <= 1.0 && worstPeakShare <= 1.0 ? "met" : "NOT MET");
}

// The crafted files at one and four times their size: processor time per byte of file should
// stay about the same if the time grows linearly with the file.
void hostileRows(const dax::StringSource &strings) {
  using daxtest::Bytes;
  std::vector<File> files;
  for (auto &[name, bytes] : daxtest::hostileFiles())
    files.push_back({name, std::move(bytes)});
  const std::pair<std::string, std::pair<Bytes, Bytes>> scaled[] = {
      {"shared huge value",
       {daxtest::sharedHugeValue(1000, 50000), daxtest::sharedHugeValue(4000, 200000)}},
      {"byte lists as text", {daxtest::byteListsAsText(75), daxtest::byteListsAsText(300)}},
      {"wide IFD revisited", {daxtest::wideIfdRevisited(16000), daxtest::wideIfdRevisited(64000)}},
      {"thumbnail of the whole file",
       {daxtest::thumbnailOfWholeFile(2, 25000), daxtest::thumbnailOfWholeFile(8, 100000)}},
  };
  workRows("crafted worst inputs", files, strings);
  for (const auto &[name, pair] : scaled) {
    double perByte[2];
    const Bytes *both[2] = {&pair.first, &pair.second};
    for (int k = 0; k < 2; ++k) {
      double best = 1e9;
      for (int rep = 0; rep < 5; ++rep)
        best = std::min(best, measureWork(*both[k], strings).seconds);
      perByte[k] = best / static_cast<double>(both[k]->size());
    }
    std::printf("exif: time of %-28s %8.1f ns per file byte at %7zu bytes, %8.1f at %7zu (x%.2f)\n",
                name.c_str(), 1e9 * perByte[0], pair.first.size(), 1e9 * perByte[1],
                pair.second.size(), perByte[1] / perByte[0]);
  }
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR [REPETITIONS] [STRINGS_RC]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::string rc = argc > 3 ? argv[3] : std::string(TOLM_ROOT_DIR) + "/res/dax2enc.rc";
  const RcStrings strings(rc);
  hostileRows(strings);
  // What the fuzzer kept, when it has run: the inputs it found most costly are among them.
  const std::filesystem::path fuzzed =
      std::string(TOLM_ROOT_DIR) + "/build/fuzz/dax_exif_fuzz.corpus";
  if (std::filesystem::is_directory(fuzzed)) {
    std::vector<File> inputs;
    for (const auto &item : std::filesystem::directory_iterator(fuzzed)) {
      std::ifstream in(item.path(), std::ios::binary);
      inputs.push_back({item.path().filename().string(),
                        std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                             std::istreambuf_iterator<char>())});
    }
    workRows("the fuzz corpus", inputs, strings);
  } else {
    std::printf("exif: SKIP: no fuzz corpus at %s (make fuzz)\n", fuzzed.c_str());
  }
  if (!std::filesystem::is_directory(dir)) {
    std::printf("exif: SKIP: no camera corpus at %s\n", dir.c_str());
    return 0;
  }
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  const std::vector<File> files = loadCorpus(dir);
  if (files.empty()) {
    std::printf("exif: SKIP: no JPEG or TIFF files under %s\n", dir.c_str());
    return 0;
  }
  size_t totalBytes = 0;
  for (const File &f : files)
    totalBytes += f.bytes.size();
  std::printf(
      "exif: %zu files, %.1f MB, read into memory from %s; %zu label and value strings from %s\n",
      files.size(), static_cast<double>(totalBytes) / 1e6, dir.c_str(), strings.count(),
      rc.c_str());

  // ---- speed: both readers in turn, same files, same run ----
  CoreReader core(strings);
  ExivReader exiv;
  Output coreOut, exivOut;
  rate(core, files, 0.2, coreOut); // warm-up: caches, and the engine's first tables
  rate(exiv, files, 0.2, exivOut);
  std::vector<double> coreRates, exivRates;
  for (int r = 0; r < reps; ++r) {
    coreRates.push_back(rate(core, files, 0.5, coreOut));
    exivRates.push_back(rate(exiv, files, 0.5, exivOut));
  }
  const double coreBest = *std::max_element(coreRates.begin(), coreRates.end());
  const double exivBest = *std::max_element(exivRates.begin(), exivRates.end());
  const double ratio = median(coreRates) / median(exivRates);
  std::printf("exif: %-44s %9.0f files/s best, %9.0f median of %d; %zu entries, %zu text bytes, "
              "%zu failed\n",
              "core: analyse (second IFD) + render all", coreBest, median(coreRates), reps,
              coreOut.entries, coreOut.textBytes, coreOut.failures);
  std::printf(
      "exif: %-44s %9.0f files/s best, %9.0f median of %d; %zu tags, %zu text bytes, %zu failed\n",
      ("libexiv2 " + Exiv2::versionString() + ": read + print all").c_str(), exivBest,
      median(exivRates), reps, exivOut.entries, exivOut.textBytes, exivOut.failures);
  std::printf("exif: speed ratio core / libexiv2 (medians) %.2fx; goal at least 2x: %s\n", ratio,
              ratio >= 2.0 ? "met" : "NOT MET");

  // ---- memory: the heap peak of one analysis in a fresh engine, iteration included ----
  constexpr double kMiB = 1024.0 * 1024.0;
  struct Worst {
    double share = 0;
    const File *file = nullptr;
    size_t used = 0;
  } worst, worstHeld; // the analysis alone, and with the file's bytes held in memory too
  size_t largestPeak = 0;
  for (const File &f : files) {
    size_t peak = 0;
    {
      const PeakScope scope;
      CoreReader fresh(strings);
      Output ignored;
      fresh.read(f, ignored);
      peak = scope.peak();
    }
    largestPeak = std::max(largestPeak, peak);
    const double limit = 2.0 * static_cast<double>(f.bytes.size()) + kMiB;
    if (static_cast<double>(peak) / limit > worst.share)
      worst = {static_cast<double>(peak) / limit, &f, peak};
    const size_t held = peak + f.bytes.size();
    if (static_cast<double>(held) / limit > worstHeld.share)
      worstHeld = {static_cast<double>(held) / limit, &f, held};
  }
  std::printf("exif: heap peak of one analysis (fresh engine, 66 KB of iteration buffers "
              "included): largest %zu bytes\n",
              largestPeak);
  for (const auto &[what, w] :
       {std::pair{"analysis alone", worst}, std::pair{"file bytes added", worstHeld}})
    std::printf("exif: worst against 2 x file size + 1 MiB, %s: %s (%zu bytes) %zu of %.0f bytes "
                "(%.1f%%); goal: %s\n",
                what, w.file->name.c_str(), w.file->bytes.size(), w.used,
                2.0 * static_cast<double>(w.file->bytes.size()) + kMiB, 100.0 * w.share,
                w.share <= 1.0 ? "met" : "NOT MET");
  workRows("the camera corpus", files, strings);
  return 0;
}
