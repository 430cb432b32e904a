// Side-by-side speed of the kelsys data cores and their peers (zlib, lz4, zstd, a plain LZSS) in
// one run.
#include "plain_lzss.h"
#include "util/core/crc.h"
#include "util/core/huffman.h"
#include "util/core/lzss.h"

#include <lz4.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

volatile uint32_t g_sink; // keeps results alive so that no timed call is optimised away

struct Result {
  double mbps = 0;
  double extraMiB = 0; // peak resident memory above what the measuring process inherited
  bool ok = false;
  bool ran = false;
};

long residentKiB() {
  long pages = 0, resident = 0;
  if (FILE *f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
      resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Processor time of this process: on a machine shared with other work it varies far less than
// wall-clock time, which counts the time others had the processor.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs op reps times in a child process: the median processor time over `bytes` gives MB/s, the
// child's peak resident set (from wait4) above the parent's at the fork the memory the work needed.
// op returns whether its output was the expected one.
Result measure(size_t bytes, int reps, const std::function<bool()> &op) {
  int fds[2];
  if (pipe(fds) != 0)
    return {};
  malloc_trim(0); // freed pages would otherwise be reused unseen by the child
  const long before = residentKiB();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::vector<double> seconds;
    bool ok = true;
    for (int i = 0; i < reps; ++i) {
      const double t0 = cpuSeconds();
      ok = op() && ok;
      seconds.push_back(cpuSeconds() - t0);
    }
    std::sort(seconds.begin(), seconds.end());
    const double message[2] = {static_cast<double>(bytes) / seconds[seconds.size() / 2] / 1e6,
                               ok ? 1.0 : 0.0};
    if (write(fds[1], message, sizeof message) != static_cast<ssize_t>(sizeof message))
      _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Result r;
  double message[2] = {0, 0};
  const bool got =
      pid > 0 && read(fds[0], message, sizeof message) == static_cast<ssize_t>(sizeof message);
  close(fds[0]);
  int status = 0;
  struct rusage usage {};
  if (pid > 0)
    wait4(pid, &status, 0, &usage);
  if (!got)
    return r;
  r.mbps = message[0];
  r.ok = message[1] != 0;
  r.ran = true;
  r.extraMiB = std::max(0L, usage.ru_maxrss - before) / 1024.0;
  return r;
}

struct Row {
  std::string work;
  Result ours;
  std::string peer;
  Result theirs;
  double goalRatio = 0; // ours / theirs must reach this, when set
  double goalMbps = 0;  // ours must reach this many MB/s, when set
};

std::vector<Row> g_rows;
std::string g_only; // when set, only the sections whose name contains it

bool wanted(const char *section) {
  return g_only.empty() || std::string(section).find(g_only) != std::string::npos;
}

void printRow(const Row &r) {
  const double ratio = r.theirs.mbps > 0 ? r.ours.mbps / r.theirs.mbps : 0;
  char goal[32] = "-";
  const char *met = "-";
  if (r.goalRatio > 0) {
    std::snprintf(goal, sizeof goal, ">= %.1fx", r.goalRatio);
    met = ratio >= r.goalRatio ? "met" : "NOT met";
  } else if (r.goalMbps > 0) {
    std::snprintf(goal, sizeof goal, ">= %.0f MB/s", r.goalMbps);
    met = r.ours.mbps >= r.goalMbps ? "met" : "NOT met";
  }
  if (!r.ours.ran || !r.ours.ok || (r.theirs.ran && !r.theirs.ok))
    met = "WRONG OUTPUT";
  std::printf("| %-34s | %9.1f | %-24s | %9.1f | %6.2f | %-12s | %-7s | %7.1f | %7.1f |\n",
              r.work.c_str(), r.ours.mbps, r.peer.c_str(), r.theirs.mbps, ratio, goal, met,
              r.ours.extraMiB, r.theirs.extraMiB);
  std::fflush(stdout);
}

void add(Row r) {
  printRow(r);
  g_rows.push_back(std::move(r));
}

Bytes readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes zlibDeflate(const Bytes &in, int level, int strategy) {
  z_stream s{};
  if (deflateInit2(&s, level, Z_DEFLATED, 15, 8, strategy) != Z_OK)
    return {};
  Bytes out(deflateBound(&s, in.size()));
  s.next_in = const_cast<Bytef *>(in.data());
  s.avail_in = static_cast<uInt>(in.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return rc == Z_STREAM_END ? out : Bytes{};
}

bool zlibInflate(const Bytes &in, Bytes &out) {
  uLongf size = out.size();
  return uncompress(out.data(), &size, in.data(), in.size()) == Z_OK && size == out.size();
}

void benchCrc(int reps) {
  Bytes buffer(64u << 20);
  uint64_t x = 0x9E3779B97F4A7C15u;
  for (auto &b : buffer) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    b = static_cast<uint8_t>(x >> 32);
  }
  const uint32_t want32 =
      kel::crc32UpdateWith(kel::CrcPath::Bytewise, kel::kCrc32Init, buffer.data(), buffer.size());
  const uint16_t want16 =
      kel::crc16UpdateWith(kel::CrcPath::Bytewise, kel::kCrc16Init, buffer.data(), buffer.size());
  const size_t n = buffer.size();
  const Result zlib = measure(n, reps, [&] {
    g_sink = static_cast<uint32_t>(crc32(0, buffer.data(), static_cast<uInt>(n)));
    return true;
  });
  add({"CRC-32, 64 MiB (best path)",
       measure(n, reps,
               [&] {
                 const uint32_t c = kel::crc32Update(kel::kCrc32Init, buffer.data(), n);
                 g_sink = c;
                 return c == want32;
               }),
       "zlib crc32", zlib, 2.0, 0});
  add({"CRC-32, 64 MiB (table path)",
       measure(n, reps,
               [&] {
                 const uint32_t c =
                     kel::crc32UpdateWith(kel::CrcPath::Sliced, kel::kCrc32Init, buffer.data(), n);
                 g_sink = c;
                 return c == want32;
               }),
       "zlib crc32", zlib, 0, 2000});
  add({"CRC-16, 64 MiB (best path)",
       measure(n, reps,
               [&] {
                 const uint16_t c = kel::crc16Update(kel::kCrc16Init, buffer.data(), n);
                 g_sink = c;
                 return c == want16;
               }),
       "zlib crc32", zlib, 1.0, 0});
  add({"CRC-16, 64 MiB (table path)",
       measure(n, reps,
               [&] {
                 const uint16_t c =
                     kel::crc16UpdateWith(kel::CrcPath::Sliced, kel::kCrc16Init, buffer.data(), n);
                 g_sink = c;
                 return c == want16;
               }),
       "zlib crc32", zlib, 0, 0});
}

void benchKind(const std::string &kind, const Bytes &in, int reps, int slowReps) {
  const auto n = static_cast<uint32_t>(in.size());
  const uint32_t capacity = n + n / 8 + 64;

  const Bytes zlib6 = zlibDeflate(in, 6, Z_DEFAULT_STRATEGY);
  const Result zlibCompress = measure(
      n, reps, [&] { return zlibDeflate(in, 6, Z_DEFAULT_STRATEGY).size() == zlib6.size(); });
  const Result zlibExpand = measure(n, reps, [&] {
    Bytes out(n);
    return zlibInflate(zlib6, out) && out == in;
  });

  for (const int method : {2, 6}) {
    if (!wanted("lzss"))
      break;
    Bytes stream(capacity);
    const int32_t size = kel::lzssCompressMethod(method, in.data(), n, stream.data(), capacity);
    stream.resize(size > 0 ? static_cast<size_t>(size) : 0);
    const std::string name = "LZSS m" + std::to_string(method) + " compress, " + kind;
    const Result ours = measure(n, slowReps, [&] {
      Bytes out(capacity);
      const int32_t s = kel::lzssCompressMethod(method, in.data(), n, out.data(), capacity);
      return s == size && std::memcmp(out.data(), stream.data(), stream.size()) == 0;
    });
    const Result plain = measure(
        n, slowReps, [&] { return bench::plainLzssCompress(method, in.data(), n) == stream; });
    add({name, ours, "plain LZSS (same output)", plain, 3.0, 0});
    add({name, ours, "zlib level 6", zlibCompress, method == 2 && kind == "text" ? 1.0 : 0, 0});
    add({"LZSS m" + std::to_string(method) + " expand, " + kind,
         measure(n, reps,
                 [&] {
                   Bytes out(n);
                   return kel::lzssExpandMethod(method, stream.data(),
                                                static_cast<uint32_t>(stream.size()), out.data(),
                                                n) == static_cast<int32_t>(n) &&
                          out == in;
                 }),
         "zlib inflate", zlibExpand, 2.0, 0});
  }

  if (wanted("huffman")) {
    uint32_t table[kel::kHuffmanTableEntries];
    Bytes packed(n);
    const int32_t packedSize = kel::huffmanEncode(packed.data(), in.data(), table, n, n);
    packed.resize(packedSize > 0 ? static_cast<size_t>(packedSize) : 0);
    const Bytes zlibHuffman = zlibDeflate(in, 6, Z_HUFFMAN_ONLY);
    add({"Huffman encode, " + kind,
         measure(n, reps,
                 [&] {
                   Bytes out(n);
                   uint32_t t[kel::kHuffmanTableEntries];
                   return kel::huffmanEncode(out.data(), in.data(), t, n, n) == packedSize &&
                          std::memcmp(out.data(), packed.data(), packed.size()) == 0;
                 }),
         "zlib Z_HUFFMAN_ONLY",
         measure(n, reps,
                 [&] { return zlibDeflate(in, 6, Z_HUFFMAN_ONLY).size() == zlibHuffman.size(); }),
         2.0, 0});
    add({"Huffman decode, " + kind,
         measure(n, reps,
                 [&] {
                   Bytes out(n);
                   return packedSize > 0 &&
                          kel::huffmanDecode(packed.data(), out.data(), table, n, packed.size()) ==
                              static_cast<int32_t>(n) &&
                          out == in;
                 }),
         "zlib inflate (Huffman)",
         measure(n, reps,
                 [&] {
                   Bytes out(n);
                   return zlibInflate(zlibHuffman, out) && out == in;
                 }),
         1.5, 0});
  }

  if (!wanted("lzss"))
    return;
  // Other fast peers, for orientation only: the same LZSS figures beside lz4 and zstd.
  const size_t back = wanted("huffman") ? 8 : 6;
  const Row m2 = g_rows[g_rows.size() - back];
  const Row m2expand = g_rows[g_rows.size() - back + 2];
  const int bound = LZ4_compressBound(static_cast<int>(n));
  Bytes lz4(static_cast<size_t>(bound));
  lz4.resize(static_cast<size_t>(LZ4_compress_default(reinterpret_cast<const char *>(in.data()),
                                                      reinterpret_cast<char *>(lz4.data()),
                                                      static_cast<int>(n), bound)));
  Bytes zstd(ZSTD_compressBound(n));
  zstd.resize(ZSTD_compress(zstd.data(), zstd.size(), in.data(), n, 3));
  add({m2.work, m2.ours, "lz4 default",
       measure(n, reps,
               [&] {
                 Bytes out(static_cast<size_t>(bound));
                 return LZ4_compress_default(reinterpret_cast<const char *>(in.data()),
                                             reinterpret_cast<char *>(out.data()),
                                             static_cast<int>(n), bound) > 0;
               }),
       0, 0});
  add({m2.work, m2.ours, "zstd level 3",
       measure(n, reps,
               [&] {
                 Bytes out(ZSTD_compressBound(n));
                 return !ZSTD_isError(ZSTD_compress(out.data(), out.size(), in.data(), n, 3));
               }),
       0, 0});
  add({m2expand.work, m2expand.ours, "lz4 decompress",
       measure(n, reps,
               [&] {
                 Bytes out(n);
                 return LZ4_decompress_safe(reinterpret_cast<const char *>(lz4.data()),
                                            reinterpret_cast<char *>(out.data()),
                                            static_cast<int>(lz4.size()),
                                            static_cast<int>(n)) == static_cast<int>(n) &&
                        out == in;
               }),
       0, 0});
  add({m2expand.work, m2expand.ours, "zstd decompress",
       measure(n, reps,
               [&] {
                 Bytes out(n);
                 return ZSTD_decompress(out.data(), n, zstd.data(), zstd.size()) == n && out == in;
               }),
       0, 0});
}

// Calls per second on small inputs, where the fixed cost of a call decides: each timed run makes
// enough calls to cover about 2 MiB, and the figure is thousands of calls a second (the "MB/s"
// columns of these rows). Inputs are the first bytes of the text corpus.
void benchSmall(const Bytes &text, int reps) {
  // zlib allocates about 260 KiB per call in pieces below the mmap threshold; with the default
  // trim threshold every call would hand that back to the system and fault it in again, which
  // a program that compresses often does not see once glibc has adjusted its thresholds.
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
  for (const size_t size : {size_t{256}, size_t{1024}, size_t{16384}}) {
    if (text.size() < size)
      return;
    const Bytes in(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
    const auto n = static_cast<uint32_t>(size);
    const int calls = static_cast<int>((2u << 20) / size);
    const size_t perMeasure = static_cast<size_t>(calls) * 1000; // so that "MB/s" reads kcalls/s
    const std::string label =
        size >= 1024 ? std::to_string(size / 1024) + " KiB" : std::to_string(size) + " B";

    Bytes zlibOut(compressBound(n));
    uLongf zlibSize = zlibOut.size();
    compress2(zlibOut.data(), &zlibSize, in.data(), n, 6);
    zlibOut.resize(zlibSize);
    const Result zlibCompress = measure(perMeasure, reps, [&] {
      Bytes out(compressBound(n));
      bool ok = true;
      for (int c = 0; c < calls; ++c) {
        uLongf s = out.size();
        ok = compress2(out.data(), &s, in.data(), n, 6) == Z_OK && s == zlibSize && ok;
      }
      return ok;
    });
    const Result zlibExpand = measure(perMeasure, reps, [&] {
      Bytes out(n);
      bool ok = true;
      for (int c = 0; c < calls; ++c) {
        uLongf s = n;
        ok = uncompress(out.data(), &s, zlibOut.data(), zlibOut.size()) == Z_OK && s == n && ok;
      }
      return ok && out == in;
    });

    for (const int method : {2, 6}) {
      const uint32_t capacity = n + n / 8 + 64;
      Bytes stream(capacity);
      const int32_t streamSize =
          kel::lzssCompressMethod(method, in.data(), n, stream.data(), capacity);
      stream.resize(streamSize > 0 ? static_cast<size_t>(streamSize) : 0);
      const std::string m = "LZSS m" + std::to_string(method);
      add({m + " compress " + label + " kcall/s",
           measure(perMeasure, reps,
                   [&] {
                     Bytes out(capacity);
                     bool ok = true;
                     for (int c = 0; c < calls; ++c)
                       ok = kel::lzssCompressMethod(method, in.data(), n, out.data(), capacity) ==
                                streamSize &&
                            ok;
                     return ok && std::memcmp(out.data(), stream.data(), stream.size()) == 0;
                   }),
           "zlib compress2 level 6", zlibCompress, size <= 1024 ? 1.0 : 0.5, 0});
      add({m + " expand " + label + " kcall/s",
           measure(perMeasure, reps,
                   [&] {
                     Bytes out(n);
                     bool ok = true;
                     for (int c = 0; c < calls; ++c)
                       ok = kel::lzssExpandMethod(method, stream.data(),
                                                  static_cast<uint32_t>(stream.size()), out.data(),
                                                  n) == static_cast<int32_t>(n) &&
                            ok;
                     return ok && out == in;
                   }),
           "zlib uncompress", zlibExpand, 2.0, 0});
    }

    if (size != 1024)
      continue;
    uint32_t table[kel::kHuffmanTableEntries];
    Bytes packed(n);
    const int32_t packedSize = kel::huffmanEncode(packed.data(), in.data(), table, n, n);
    packed.resize(packedSize > 0 ? static_cast<size_t>(packedSize) : 0);
    const Bytes zlibHuffman = zlibDeflate(in, 6, Z_HUFFMAN_ONLY);
    add({"Huffman encode " + label + " kcall/s",
         measure(perMeasure, reps,
                 [&] {
                   Bytes out(n);
                   uint32_t t[kel::kHuffmanTableEntries];
                   bool ok = true;
                   for (int c = 0; c < calls; ++c)
                     ok = kel::huffmanEncode(out.data(), in.data(), t, n, n) == packedSize && ok;
                   return ok && std::memcmp(out.data(), packed.data(), packed.size()) == 0;
                 }),
         "zlib Z_HUFFMAN_ONLY",
         measure(perMeasure, reps,
                 [&] {
                   Bytes out(deflateBound(nullptr, n) + 64);
                   bool ok = true;
                   for (int c = 0; c < calls; ++c) {
                     z_stream s{};
                     ok = deflateInit2(&s, 6, Z_DEFLATED, 15, 8, Z_HUFFMAN_ONLY) == Z_OK && ok;
                     s.next_in = const_cast<Bytef *>(in.data());
                     s.avail_in = n;
                     s.next_out = out.data();
                     s.avail_out = static_cast<uInt>(out.size());
                     ok = deflate(&s, Z_FINISH) == Z_STREAM_END &&
                          s.total_out == zlibHuffman.size() && ok;
                     deflateEnd(&s);
                   }
                   return ok;
                 }),
         2.0, 0});
    add({"Huffman decode " + label + " kcall/s",
         measure(perMeasure, reps,
                 [&] {
                   Bytes out(n);
                   bool ok = packedSize > 0;
                   for (int c = 0; c < calls; ++c)
                     ok = kel::huffmanDecode(packed.data(), out.data(), table, n, packed.size()) ==
                              static_cast<int32_t>(n) &&
                          ok;
                   return ok && out == in;
                 }),
         "zlib uncompress (Huffman)",
         measure(perMeasure, reps,
                 [&] {
                   Bytes out(n);
                   bool ok = true;
                   for (int c = 0; c < calls; ++c) {
                     uLongf s = n;
                     ok = uncompress(out.data(), &s, zlibHuffman.data(), zlibHuffman.size()) ==
                              Z_OK &&
                          s == n && ok;
                   }
                   return ok && out == in;
                 }),
         2.0, 0});
  }
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kel_bench CORPUS_DIR [REPS [crc|small|lzss|huffman]]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const int slowReps = std::max(1, (reps + 1) / 2);
  std::printf("median of %d runs (%d for the LZSS compressors) in processor time; MB/s of "
              "uncompressed bytes; "
              "memory: peak MiB above the inputs, ours / peer\n\n",
              reps, slowReps);
  std::printf("| %-34s | %9s | %-24s | %9s | %6s | %-12s | %-7s | %7s | %7s |\n", "work",
              "ours MB/s", "peer", "peer MB/s", "ratio", "goal", "result", "MiB us", "MiB peer");
  std::printf("|%s|%s|%s|%s|%s|%s|%s|%s|%s|\n", std::string(36, '-').c_str(),
              std::string(11, '-').c_str(), std::string(26, '-').c_str(),
              std::string(11, '-').c_str(), std::string(8, '-').c_str(),
              std::string(14, '-').c_str(), std::string(9, '-').c_str(),
              std::string(9, '-').c_str(), std::string(9, '-').c_str());
  if (argc > 3)
    g_only = argv[3];
  if (wanted("crc"))
    benchCrc(reps);
  int status = 0;
  if (wanted("small"))
    benchSmall(readFile(dir + "/text.bin"), reps);
  // The large-input rows; "small" alone skips them.
  for (const char *kind : {"text", "binary", "image"}) {
    if (g_only == "small")
      break;
    const Bytes in = readFile(dir + "/" + kind + ".bin");
    if (in.empty()) {
      std::fprintf(stderr, "kel_bench: %s/%s.bin is missing or empty\n", dir.c_str(), kind);
      status = 1;
      continue;
    }
    benchKind(kind, in, reps, slowReps);
  }
  int met = 0, missed = 0, wrong = 0;
  for (const Row &r : g_rows) {
    if (!r.ours.ok || (r.theirs.ran && !r.theirs.ok))
      ++wrong;
    else if (r.goalRatio > 0 || r.goalMbps > 0)
      (r.goalRatio > 0 ? r.ours.mbps >= r.goalRatio * r.theirs.mbps : r.ours.mbps >= r.goalMbps)
          ? ++met
          : ++missed;
  }
  struct rusage self {
  }, children{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  std::printf("\ngoals met: %d, not met: %d, rows with wrong output: %d\n", met, missed, wrong);
  std::printf("peak memory: this process %.1f MiB, largest measuring child %.1f MiB\n",
              self.ru_maxrss / 1024.0, children.ru_maxrss / 1024.0);
  return wrong > 0 ? 1 : status;
}
