// Side-by-side speed of the image core and its peers (ImageMagick, libvips, memcpy) on one large
// picture.
//
// Usage: vop_bench IMAGE_DIR [REPS [copy|tone|decolor|filter|rotate|analysis]]
// IMAGE_DIR holds plasma.ppm (read into a bottom-up 24-bit surface, as a DIB section lays it
// out), plasma.mpc for ImageMagick and plasma.v for libvips: the same 6000 x 4000 picture with
// millions of colours (scripts/bench.sh makes them). Every figure is megapixels of the source
// picture per second of processor time. Ours: the median over up to REPS runs in this process,
// fewer when one run takes seconds; the work buffers are restored before each run, untimed.
// Peers run as separate single-threaded processes; their processor time (user + system, from
// wait4) less that of a no-op run on the same file (start-up, reading, writing the raw output)
// is the operation's time: one run for a command of a second or more, else the median of five
// runs, each paired with a run of its no-op.
#include "image/core/color_count.h"
#include "image/core/contrast.h"
#include "image/core/copy_transform.h"
#include "image/core/count_colors.h"
#include "image/core/decolor.h"
#include "image/core/filter.h"
#include "image/core/histogram.h"
#include "image/core/pixel_access.h"
#include "image/core/quality.h"
#include "image/core/result.h"
#include "image/core/rotate.h"
#include "image/core/surface.h"
#include "image/core/tone_table.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

extern char **environ;

namespace {

using Bytes = std::vector<uint8_t>;

volatile uint64_t g_sink; // keeps results alive so that no timed call is optimised away

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A word-wise hash of a buffer: enough to tell whether two outputs are the same bytes.
uint64_t hashBytes(const uint8_t *p, size_t n, uint64_t h = 0x9E3779B97F4A7C15u) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    h = (h ^ w) * 0x100000001B3u;
    h ^= h >> 29;
  }
  for (; i < n; ++i)
    h = (h ^ p[i]) * 0x100000001B3u;
  return h;
}

// ---- pictures ----

// A bottom-up bitmap in exactly-sized memory, like a DIB section.
struct Picture {
  Bytes memory;
  std::vector<vop::PaletteEntry> palette;
  vop::Surface surface;

  Picture() = default;
  Picture(int32_t width, int32_t height, int32_t bitsPerPixel)
      : memory(static_cast<size_t>(vop::rowBytes(bitsPerPixel, width) * height)) {
    surface = vop::bottomUpView(memory.data(), width, height, bitsPerPixel);
    if (bitsPerPixel <= 8) {
      palette.assign(size_t{1} << bitsPerPixel, vop::PaletteEntry{0, 0, 0, 0});
      surface.palette = palette.data();
      surface.paletteCount = static_cast<int32_t>(palette.size());
    }
  }
  Picture(const Picture &) = delete;
  Picture &operator=(const Picture &) = delete;
  // Moving a vector keeps its buffer, so the view stays valid.
  Picture(Picture &&) = default;
  Picture &operator=(Picture &&) = default;

  double megapixels() const { return static_cast<double>(surface.width) * surface.height / 1e6; }
  uint64_t hash() const {
    uint64_t h = hashBytes(memory.data(), memory.size());
    if (!palette.empty())
      h = hashBytes(reinterpret_cast<const uint8_t *>(palette.data()),
                    palette.size() * sizeof palette[0], h);
    return h;
  }
};

// Reads a binary PPM (P6, maxval 255) into a 24-bit picture; false when the file is anything else.
bool readPpm(const std::string &path, Picture &picture) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxval = 0;
  if (!(in >> magic >> width >> height >> maxval) || magic != "P6" || maxval != 255 || width < 1 ||
      height < 1 || width > 100000 || height > 100000)
    return false;
  in.get(); // the single white-space byte before the samples
  Picture out(width, height, 24);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (int32_t y = 0; y < height; ++y) {
    if (!in.read(reinterpret_cast<char *>(row.data()), static_cast<std::streamsize>(row.size())))
      return false;
    uint8_t *p = vop::pixelAddress(out.surface, 0, y);
    for (int32_t x = 0; x < width; ++x) {
      p[3 * x] = row[3 * x + 2];
      p[3 * x + 1] = row[3 * x + 1];
      p[3 * x + 2] = row[3 * x];
    }
  }
  picture = std::move(out);
  return true;
}

// ---- our side ----

struct Figure {
  bool ran = false;
  bool ok = false;
  double mps = 0;
  int runs = 0;
  std::string note; // why a peer has no figure, or what a check found
};

int g_reps = 5;
constexpr double kBudgetSeconds = 4.0; // processor time one of our measurements may take, roughly

// Runs `run` up to g_reps times (fewer when a run is slow), each after an untimed `prepare`;
// `check` inspects the output after every run and returns its hash, or 0 for a wrong output.
// The figure is megapixels of the source per second of the median run; every run must give the
// same output.
Figure measureOurs(double megapixels, const std::function<void()> &prepare,
                   const std::function<int32_t()> &run, const std::function<uint64_t()> &check) {
  Figure f;
  f.ok = true;
  std::vector<double> seconds;
  uint64_t first = 0;
  int reps = g_reps;
  for (int i = 0; i < reps; ++i) {
    prepare();
    const double t0 = cpuSeconds();
    const int32_t rc = run();
    seconds.push_back(cpuSeconds() - t0);
    const uint64_t h = rc < 0 ? 0 : check();
    g_sink = g_sink + h;
    if (h == 0) {
      f.ok = false;
      f.note = rc < 0 ? "result " + std::to_string(rc) : "output check failed";
    } else if (i == 0) {
      first = h;
    } else if (h != first) {
      f.ok = false;
      f.note = "output differs between runs";
    }
    // Slow operations get fewer runs; an odd count keeps the median one of them.
    if (i == 0 && seconds[0] * reps > kBudgetSeconds) {
      const int fit = static_cast<int>(kBudgetSeconds / seconds[0]);
      reps = fit < 2 ? 1 : std::min(reps, fit | 1);
    }
  }
  std::sort(seconds.begin(), seconds.end());
  f.ran = true;
  f.runs = static_cast<int>(seconds.size());
  f.mps = megapixels / std::max(seconds[seconds.size() / 2], 1e-9);
  return f;
}

// ---- peers ----

struct Process {
  bool started = false;
  int status = -1;
  double cpu = 0;
  std::string out;
  std::string err;
};

std::string g_scratch; // folder of the peers' outputs and kernel files

std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a program found on PATH with its standard output kept only when `keepOutput`; the
// processor time is user plus system time of the process and of anything it waited for.
Process runProcess(const std::vector<std::string> &args, bool keepOutput) {
  Process p;
  const std::string outPath = g_scratch + "/stdout.txt", errPath = g_scratch + "/stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, keepOutput ? outPath.c_str() : "/dev/null",
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::vector<char *> argv;
  for (const std::string &a : args)
    argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0)
    return p;
  struct rusage usage {};
  if (wait4(pid, &p.status, 0, &usage) != pid)
    return p;
  p.started =
      !(WIFEXITED(p.status) && WEXITSTATUS(p.status) == 127); // 127: not found by the shell rule
  p.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  if (keepOutput)
    p.out = slurp(outPath);
  p.err = slurp(errPath);
  return p;
}

bool succeeded(const Process &p) {
  return p.started && WIFEXITED(p.status) && WEXITSTATUS(p.status) == 0;
}

struct Tool {
  std::string name;
  bool installed = false;
  std::map<std::string, double> noop; // no-op key -> processor seconds
};

Tool g_magick{"ImageMagick", false, {}}, g_vips{"libvips", false, {}};
std::string g_dir; // the image folder
double g_megapixels = 0;
std::map<std::string, Figure> g_peerCache; // command line -> figure, for rows sharing a peer
std::map<std::string, std::string> g_peerOutput;

std::string joined(const std::vector<std::string> &args) {
  std::string s;
  for (const std::string &a : args)
    s += (s.empty() ? "" : " ") + a;
  return s;
}

std::string firstLine(const std::string &s) {
  const size_t end = s.find('\n');
  return s.substr(0, std::min<size_t>(end, 100));
}

// Processor seconds of one run of a peer command; negative when it failed.
double runSeconds(const std::vector<std::string> &args, std::string *output, std::string *error) {
  Process p = runProcess(args, output != nullptr);
  if (output != nullptr)
    *output = p.out;
  if (!succeeded(p)) {
    if (error != nullptr)
      *error = firstLine(p.err);
    return -1;
  }
  return p.cpu;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Processor seconds of a no-op, the median of five runs, measured once per tool and key.
double noopSeconds(Tool &tool, const std::string &key, const std::vector<std::string> &args) {
  auto it = tool.noop.find(key);
  if (it != tool.noop.end())
    return it->second;
  std::vector<double> seconds;
  for (int i = 0; i < 5; ++i)
    seconds.push_back(runSeconds(args, nullptr, nullptr));
  return tool.noop[key] = median(seconds);
}

// A peer command's processor time less its no-op's; `output` receives its standard output. A
// command of a second or more runs once, less the no-op's median. A shorter one differs from its
// no-op by little more than the noise of either, so it runs five times, each right after a run
// of its no-op, and gives the median of the five differences: when the machine's speed drifts,
// both sides of a difference move alike.
Figure measurePeer(Tool &tool, const std::vector<std::string> &args, const std::string &noopKey,
                   const std::vector<std::string> &noopArgs, std::string *output = nullptr) {
  const std::string key = joined(args);
  auto cached = g_peerCache.find(key);
  if (cached != g_peerCache.end()) {
    if (output != nullptr)
      *output = g_peerOutput[key];
    return cached->second;
  }
  Figure f;
  if (!tool.installed) {
    f.note = tool.name + " not installed";
    return f;
  }
  double base = noopSeconds(tool, noopKey, noopArgs);
  std::string out, error;
  double seconds = runSeconds(args, &out, &error);
  f.runs = 1;
  if (base >= 0 && seconds >= 0 && seconds < 1.0) {
    std::vector<double> bases, nets;
    for (int i = 0; i < 5 && seconds >= 0; ++i) {
      const double b = runSeconds(noopArgs, nullptr, nullptr);
      const double s = i == 0 ? seconds : runSeconds(args, nullptr, &error);
      if (b < 0 || s < 0) {
        seconds = -1;
        break;
      }
      bases.push_back(b);
      nets.push_back(s - b);
    }
    if (seconds >= 0) {
      base = median(bases);
      seconds = base + median(nets);
      f.runs = 5;
    }
  }
  if (base < 0 || seconds < 0) {
    f.note = base < 0 ? "no-op run failed" : "failed: " + error;
  } else if (seconds - base <= 0.005) {
    f.note = "within the no-op's noise (" + std::to_string(static_cast<int>(seconds * 1000)) +
             " ms, no-op " + std::to_string(static_cast<int>(base * 1000)) + " ms)";
  } else {
    f.ran = f.ok = true;
    f.mps = g_megapixels / (seconds - base);
  }
  if (output != nullptr)
    *output = out;
  g_peerCache[key] = f;
  g_peerOutput[key] = out;
  return f;
}

// ImageMagick reads the memory-mapped pixel cache and writes raw RGB to /dev/null; the no-op
// does only that.
Figure magick(const std::vector<std::string> &operation,
              const std::string &target = "rgb:/dev/null", std::string *output = nullptr) {
  std::vector<std::string> args{"convert", g_dir + "/plasma.mpc"};
  args.insert(args.end(), operation.begin(), operation.end());
  args.push_back(target);
  return measurePeer(g_magick, args, "rgb", {"convert", g_dir + "/plasma.mpc", "rgb:/dev/null"},
                     output);
}

// One libvips operation from its memory-mapped native file into a native file in the scratch
// folder; the no-op copies the picture the same way or, for results that are no picture, only
// opens it (vipsheader): the pixel reads then stay in the figure, as they cost no more than a
// pass over memory.
Figure vips(const std::string &operation, const std::vector<std::string> &more,
            bool pictureOut = true) {
  std::vector<std::string> args{"vips", operation, g_dir + "/plasma.v", g_scratch + "/out.v"};
  args.insert(args.end(), more.begin(), more.end());
  if (pictureOut)
    return measurePeer(g_vips, args, "copy",
                       {"vips", "copy", g_dir + "/plasma.v", g_scratch + "/out.v"});
  return measurePeer(g_vips, args, "header", {"vipsheader", g_dir + "/plasma.v"});
}

// ---- the table ----

struct Row {
  std::string work;
  Figure ours;
  std::string peer;
  Figure theirs;
  double goal = 0; // ours / theirs must reach this, when set
};

std::vector<Row> g_rows;
std::string g_only;

bool wanted(const char *section) { return g_only.empty() || g_only == section; }

const char *verdict(const Row &r) {
  if (!r.ours.ok || (r.theirs.ran && !r.theirs.ok))
    return "WRONG OUTPUT";
  if (r.goal <= 0)
    return "-";
  if (!r.theirs.ran)
    return "no peer";
  return r.ours.mps >= r.goal * r.theirs.mps ? "met" : "NOT met";
}

void add(const std::string &work, const Figure &ours, const std::string &peer, const Figure &theirs,
         double goal) {
  Row r{work, ours, peer, theirs, goal};
  char theirsText[16] = "-", ratioText[16] = "-", goalText[16] = "-";
  if (theirs.ran)
    std::snprintf(theirsText, sizeof theirsText, "%.1f", theirs.mps);
  if (theirs.ran && theirs.mps > 0)
    std::snprintf(ratioText, sizeof ratioText, "%.2f", ours.mps / theirs.mps);
  if (goal > 0)
    std::snprintf(goalText, sizeof goalText, ">= %.1fx", goal);
  std::string note = !ours.note.empty() ? "ours: " + ours.note : theirs.note;
  if (ours.runs < g_reps)
    note = "ours " + std::to_string(ours.runs) + (ours.runs == 1 ? " run" : " runs") +
           (note.empty() ? "" : "; ") + note;
  std::printf("| %-32s | %8.1f | %-38s | %9s | %6s | %-8s | %-12s | %s\n", work.c_str(), ours.mps,
              peer.c_str(), theirsText, ratioText, goalText, verdict(r), note.c_str());
  std::fflush(stdout);
  g_rows.push_back(std::move(r));
}

// ---- checks ----

uint64_t nonZero(uint64_t h) { return h == 0 ? 1 : h; }

// Mean of every byte, to see that a resampled picture still holds the source's picture.
double meanByte(const Picture &p) {
  const vop::Surface &s = p.surface;
  uint64_t sum = 0;
  for (int32_t y = 0; y < s.height; ++y) {
    const uint8_t *row = vop::pixelAddress(s, 0, y);
    for (int32_t i = 0; i < s.width * 3; ++i)
      sum += row[i];
  }
  return static_cast<double>(sum) / (static_cast<double>(s.width) * s.height * 3);
}

bool sameRowsMirrored(const Picture &a, const Picture &b) {
  const vop::Surface &s = a.surface;
  for (int32_t y = 0; y < s.height; ++y) {
    const uint8_t *p = vop::pixelAddress(s, 0, y), *q = vop::pixelAddress(b.surface, 0, y);
    for (int32_t x = 0; x < s.width; ++x)
      if (std::memcmp(p + 3 * x, q + 3 * (s.width - 1 - x), 3) != 0)
        return false;
  }
  return true;
}

// True when b is a turned by a quarter, either way.
bool quarterTurnOf(const Picture &a, const Picture &b) {
  const vop::Surface &s = a.surface, &t = b.surface;
  if (t.width != s.height || t.height != s.width)
    return false;
  bool clockwise = true, counter = true;
  for (int32_t y = 0; y < t.height && (clockwise || counter); y += 7) {
    for (int32_t x = 0; x < t.width; x += 3) {
      const uint32_t c = vop::readColor(t, x, y);
      clockwise = clockwise && c == vop::readColor(s, y, s.height - 1 - x);
      counter = counter && c == vop::readColor(s, s.width - 1 - y, x);
    }
  }
  return clockwise || counter;
}

// ---- the sections ----

Picture g_source;
uint64_t g_sourceHash = 0;
double g_sourceMean = 0;

// A work picture restored from the source before each run, for the operations that work in place.
struct InPlace {
  Picture work;
  InPlace() : work(g_source.surface.width, g_source.surface.height, 24) {}
  void restore() { std::memcpy(work.memory.data(), g_source.memory.data(), work.memory.size()); }
  // The changed picture's hash; 0 (wrong) when nothing changed.
  uint64_t changed() const {
    const uint64_t h = work.hash();
    return h == g_sourceHash ? 0 : nonZero(h);
  }
  Figure measure(const std::function<int32_t(vop::Surface &)> &op) {
    return measureOurs(
        g_megapixels, [&] { restore(); }, [&] { return op(work.surface); },
        [&] { return changed(); });
  }
};

vop::AdjustRegion whole() {
  return vop::AdjustRegion{0, g_source.surface.width, 0, g_source.surface.height};
}

void benchCopy() {
  const vop::Surface &src = g_source.surface;
  const int32_t w = src.width, h = src.height;
  for (const float scale : {0.5f, 2.0f}) {
    vop::CopyParams params{0, w, 0, h, 24, 0, scale, scale, 0, 0, 0, 0};
    if (vop::measureDestination(params) != vop::kOk)
      continue;
    Picture dst(params.dstRight, params.dstBottom, 24);
    const Figure ours = measureOurs(
        g_megapixels, [] {},
        [&] { return vop::copyTransform(vop::kCombineCopy, 0, params, src, dst.surface, nullptr); },
        [&] { return std::fabs(meanByte(dst) - g_sourceMean) < 2.0 ? nonZero(dst.hash()) : 0; });
    const std::string percent = scale < 1 ? "50%" : "200%";
    add("copy, scale " + std::string(scale < 1 ? "0.5" : "2.0") + ", bilinear", ours,
        "IM -filter Triangle -resize " + percent,
        magick({"-filter", "Triangle", "-resize", percent}), 2.0);
  }
  Picture dst(w, h, 24);
  const size_t bytes = g_source.memory.size();
  const Figure plain = measureOurs(
      g_megapixels, [] {},
      [&] {
        std::memcpy(dst.memory.data(), g_source.memory.data(), bytes);
        return vop::kOk;
      },
      [&] { return nonZero(dst.hash()); });
  for (const bool mirror : {false, true}) {
    vop::CopyParams params{0, w, 0, h, 24, 0, 1.0f, 1.0f, 0, 0, 0, 0};
    vop::measureDestination(params);
    const uint32_t flags = mirror ? vop::kCopyMirror : 0;
    const Figure ours = measureOurs(
        g_megapixels, [&] { std::memset(dst.memory.data(), 0, bytes); },
        [&] {
          return vop::copyTransform(vop::kCombineCopy, flags, params, src, dst.surface, nullptr);
        },
        [&] {
          const bool right =
              mirror ? sameRowsMirrored(dst, g_source) : dst.memory == g_source.memory;
          return right ? nonZero(dst.hash()) : 0;
        });
    add(mirror ? "copy, mirror" : "copy, identity", ours, "memcpy of the pixels", plain, 0.5);
  }
}

vop::ToneTable sCurve() {
  vop::ToneTable t{};
  for (int i = 0; i < 256; ++i)
    t[static_cast<size_t>(i)] =
        static_cast<uint8_t>(std::lround(127.5 - 127.5 * std::cos(M_PI * i / 255.0)));
  return t;
}

void benchTone() {
  InPlace in;
  const vop::ToneTable curve = sCurve();
  const Figure gammaRed = in.measure([](vop::Surface &s) {
    vop::AdjustRegion r = whole();
    return vop::adjustGamma(s, 2.2, 1, r, nullptr);
  });
  const Figure imGamma = magick({"-channel", "R", "-gamma", "2.2"});
  add("gamma 2.2, red channel", gammaRed, "IM -channel R -gamma 2.2", imGamma, 1.0);
  add("gamma 2.2, red channel", gammaRed, "vips gamma (all channels)",
      vips("gamma", {"--exponent", "2.2"}), 0);
  const Figure curveRed = in.measure([&](vop::Surface &s) {
    vop::AdjustRegion r = whole();
    return vop::adjustToneCurve(s, curve, 1, r, nullptr);
  });
  add("tone curve, red channel", curveRed, "IM -channel R -gamma 2.2", imGamma, 1.0);
  {
    // The same curve as a one-row grey picture: maplut applies it to every band.
    std::ofstream pgm(g_scratch + "/curve.pgm", std::ios::binary);
    pgm << "P5\n256 1\n255\n";
    pgm.write(reinterpret_cast<const char *>(curve.data()),
              static_cast<std::streamsize>(curve.size()));
  }
  const Figure maplut = vips("maplut", {g_scratch + "/curve.pgm"});
  add("tone curve, red channel", curveRed, "vips maplut (all channels)", maplut, 0);

  const Figure modulate = magick({"-modulate", "110,120,95"});
  const std::string peer = "IM -modulate 110,120,95";
  add("gamma 2.2, luminance", in.measure([](vop::Surface &s) {
    vop::AdjustRegion r = whole();
    return vop::adjustGamma(s, 2.2, 0, r, nullptr);
  }),
      peer, modulate, 2.0);
  add("contrast, automatic", in.measure([](vop::Surface &s) {
    vop::AdjustRegion r = whole();
    return vop::adjustContrast(s, vop::kContrastAuto, 0, 0, r, nullptr, nullptr);
  }),
      peer, modulate, 2.0);
  add("quality, hue 30 bri 10 sat 20", in.measure([](vop::Surface &s) {
    const vop::QualitySettings q{30, 10, 20, false, 0, 65536};
    return vop::adjustQuality(s, q, whole(), nullptr);
  }),
      peer, modulate, 2.0);
  add("quality 2, the same, sparing", in.measure([](vop::Surface &s) {
    const vop::QualitySettings q{30, 10, 20, true, vop::packColor(200, 120, 60), 1600};
    return vop::adjustQuality(s, q, whole(), nullptr);
  }),
      peer, modulate, 2.0);
}

void benchDecolor() {
  const vop::Surface &src = g_source.surface;
  const Figure colors = magick({"+dither", "-colors", "256"});
  struct Method {
    const char *work;
    uint32_t flags;
    int32_t depth;
    const char *peer;
    std::vector<std::string> operation;
  };
  const Method methods[] = {
      {"decolor, median cut to 256", vop::kDecolorMedianCut, 8, "IM +dither -colors 256", {}},
      {"decolor, level grid to 256", vop::kDecolorGrid, 8, "IM +dither -colors 256", {}},
      {"decolor, black/white, automatic",
       vop::kDecolorBlackWhite,
       1,
       "IM -threshold 50%",
       {"-threshold", "50%"}},
  };
  for (const Method &m : methods) {
    Picture dst(src.width, src.height, m.depth);
    const Figure ours = measureOurs(
        g_megapixels,
        [&] {
          std::fill(dst.memory.begin(), dst.memory.end(), 0);
          std::fill(dst.palette.begin(), dst.palette.end(), vop::PaletteEntry{0, 0, 0, 0});
        },
        [&] { return vop::decolor(m.flags, src, dst.surface, nullptr, nullptr); },
        [&] {
          // Every result must use more than one table entry.
          const uint8_t first = dst.memory[0];
          const bool varied = std::any_of(dst.memory.begin(), dst.memory.end(),
                                          [&](uint8_t b) { return b != first; });
          return varied ? nonZero(dst.hash()) : 0;
        });
    add(m.work, ours, m.peer, m.operation.empty() ? colors : magick(m.operation), 2.0);
  }
}

using Grid = int32_t[5][5];

// Writes a kernel as rows of the picture: entry j of group i is column i, row j.
std::string magickKernel(const Grid &g) {
  std::string s;
  for (int row = 0; row < 5; ++row)
    for (int col = 0; col < 5; ++col)
      s += (s.empty() ? "" : ",") + std::to_string(g[col][row]);
  return s;
}

std::string vipsMask(const std::string &name, const Grid &g, int32_t divisor, int32_t bias) {
  const std::string path = g_scratch + "/" + name + ".mat";
  std::ofstream mat(path);
  mat << "5 5 " << divisor << " " << bias << "\n";
  for (int row = 0; row < 5; ++row) {
    for (int col = 0; col < 5; ++col)
      mat << g[col][row] << (col < 4 ? " " : "\n");
  }
  return path;
}

void benchFilter() {
  struct Code {
    const char *work;
    uint32_t code;
    Grid kernel; // the first (or only) kernel of the code, for the peers
    int32_t divisor;
    bool paired;
  };
  const Code codes[] = {
      {"filter code 0, gradient",
       vop::kFilterHorizontalEdges,
       {{0, 0, 0, 0, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 0, 0, 0, 0}},
       1,
       false},
      {"filter code 32, gradient pair",
       vop::kFilterAllEdges,
       {{0, 0, 0, 0, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 0, 0, 0, 0}},
       1,
       true},
      {"filter code 80, Sobel pair",
       vop::kFilterSobelAllEdges,
       {{0, 0, 0, 0, 0}, {0, 1, 0, -1, 0}, {0, 2, 0, -2, 0}, {0, 1, 0, -1, 0}, {0, 0, 0, 0, 0}},
       1,
       true},
      {"filter code 17, smoothing",
       vop::kFilterSmoothNear,
       {{0, 0, 0, 0, 0}, {0, 1, 2, 1, 0}, {0, 2, 2, 2, 0}, {0, 1, 2, 1, 0}, {0, 0, 0, 0, 0}},
       14,
       false},
      {"filter code 65, smoothing 5x5",
       vop::kFilterSmoothWide,
       {{1, 1, 1, 1, 1}, {1, 1, 2, 1, 1}, {1, 2, 2, 2, 1}, {1, 1, 2, 1, 1}, {1, 1, 1, 1, 1}},
       30,
       false},
      {"filter code 112, sharpening",
       112,
       {{0, 0, 0, 0, 0}, {0, -1, 0, -1, 0}, {0, 0, 6, 0, 0}, {0, -1, 0, -1, 0}, {0, 0, 0, 0, 0}},
       2,
       false},
      {"filter custom 5x5 binomial",
       vop::kFilterCustom,
       {{1, 4, 6, 4, 1},
        {4, 16, 24, 16, 4},
        {6, 24, 36, 24, 6},
        {4, 16, 24, 16, 4},
        {1, 4, 6, 4, 1}},
       256,
       false},
  };
  InPlace in;
  for (const Code &c : codes) {
    vop::CustomKernel custom{};
    for (int i = 0; i < 5; ++i)
      for (int j = 0; j < 5; ++j)
        custom.coefficients[i * 5 + j] = c.kernel[i][j];
    custom.divisor = c.divisor;
    const Figure ours = in.measure([&](vop::Surface &s) {
      vop::AdjustRegion r = whole();
      return vop::throughFilter(s, c.code, r, &custom, nullptr);
    });
    std::vector<std::string> im{"-convolve", magickKernel(c.kernel)};
    if (c.divisor != 1)
      im = {"-define", "convolve:scale=" + std::to_string(1.0 / c.divisor), "-convolve",
            magickKernel(c.kernel)};
    add(c.work, ours, c.paired ? "IM -convolve (first kernel only)" : "IM -convolve, same kernel",
        magick(im), 3.0);
    const std::string mask = vipsMask("code" + std::to_string(c.code), c.kernel, c.divisor, 0);
    if (c.paired) {
      add(c.work, ours, "vips compass x2 d90 sum, integer",
          vips("compass", {mask, "--times", "2", "--angle", "d90", "--combine", "sum",
                           "--precision", "integer"}),
          1.0);
    } else {
      add(c.work, ours, "vips conv, integer", vips("conv", {mask, "--precision", "integer"}), 1.0);
    }
  }
  const Figure median = in.measure([](vop::Surface &s) {
    vop::AdjustRegion r = whole();
    return vop::throughFilter(s, vop::kFilterMedian, r, nullptr, nullptr);
  });
  add("filter code 1, median 3x3", median, "IM -statistic Median 3x3",
      magick({"-statistic", "Median", "3x3"}), 5.0);
  add("filter code 1, median 3x3", median, "vips rank 3 3 4", vips("rank", {"3", "3", "4"}), 1.0);
}

void benchRotate() {
  const vop::Surface &src = g_source.surface;
  for (const int32_t angle : {45, 90}) {
    vop::CopyParams params{};
    if (vop::planRotation(src, angle, params) != vop::kOk)
      continue;
    Picture dst(params.dstRight, params.dstBottom, 24);
    const Figure ours = measureOurs(
        g_megapixels, [&] { std::fill(dst.memory.begin(), dst.memory.end(), 0); },
        [&] {
          vop::CopyParams plan{};
          const int32_t rc = vop::planRotation(src, angle, plan);
          return rc != vop::kOk ? rc : vop::renderRotation(0, plan, src, dst.surface, nullptr);
        },
        [&] {
          if (angle == 90)
            return quarterTurnOf(g_source, dst) ? nonZero(dst.hash()) : 0;
          // The turned picture covers about half its box at 45 degrees.
          return meanByte(dst) > g_sourceMean / 4 ? nonZero(dst.hash()) : 0;
        });
    const std::string a = std::to_string(angle);
    if (angle == 45) {
      add("rotate 45, bilinear", ours, "vips rotate 45 (bilinear)", vips("rotate", {"45"}), 2.0);
      add("rotate 45, bilinear", ours, "IM -rotate 45", magick({"-rotate", "45"}), 0);
    } else {
      add("rotate 90", ours, "IM -rotate 90", magick({"-rotate", "90"}), 1.0);
      add("rotate 90", ours, "vips rot d90", vips("rot", {"d90"}), 0);
    }
  }
}

void benchAnalysis() {
  const vop::Surface &src = g_source.surface;
  vop::HistogramResult result{};
  const int32_t step = vop::histogramSampleStep(static_cast<int64_t>(src.width) * src.height);
  const uint64_t samples =
      static_cast<uint64_t>((src.width + step - 1) / step) * ((src.height + step - 1) / step);
  const Figure histogram = measureOurs(
      g_megapixels, [] {}, [&] { return vop::computeHistogram(src, &result, nullptr, nullptr); },
      [&] {
        uint64_t red = 0;
        for (const uint32_t c : result.counts[vop::kHistogramRed])
          red += c;
        return red == samples
                   ? nonZero(hashBytes(reinterpret_cast<const uint8_t *>(&result), sizeof result))
                   : 0;
      });
  add("histogram (samples every 8th)", histogram, "vips hist_find", vips("hist_find", {}, false),
      1.0);
  add("histogram (samples every 8th)", histogram, "IM -format %c histogram:info:-",
      magick({"-format", "%c"}, "histogram:info:-"), 0);

  std::string counted;
  const Figure imCount = magick({"-format", "%k"}, "info:", &counted);
  vop::ColorCountTable table;
  int32_t distinct = 0;
  Figure count = measureOurs(
      g_megapixels, [&] { table.clear(0); },
      [&] { return distinct = vop::countColors(src, table, nullptr, nullptr); },
      [&] { return distinct > 1 ? static_cast<uint64_t>(distinct) : 0; });
  if (imCount.ran && count.ok && std::strtol(counted.c_str(), nullptr, 10) != distinct) {
    count.ok = false;
    count.note = std::to_string(distinct) + " colours, ImageMagick counts " + firstLine(counted);
  } else if (count.ok) {
    count.note =
        std::to_string(distinct) + " colours" + (imCount.ran ? ", as ImageMagick counts" : "");
  }
  add("colour count", count, "IM -format %k info:", imCount, 10.0);
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: vop_bench IMAGE_DIR [REPS [copy|tone|decolor|filter|rotate|analysis]]\n");
    return 2;
  }
  g_dir = argv[1];
  g_reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  if (argc > 3)
    g_only = argv[3];
  if (!readPpm(g_dir + "/plasma.ppm", g_source)) {
    std::fprintf(stderr, "vop_bench: %s/plasma.ppm is missing or not a binary PPM\n",
                 g_dir.c_str());
    return 1;
  }
  g_megapixels = g_source.megapixels();
  g_sourceHash = g_source.hash();
  g_sourceMean = meanByte(g_source);

  // Peers work single-threaded like the core; their scratch files live in memory where possible.
  setenv("MAGICK_THREAD_LIMIT", "1", 1);
  setenv("OMP_NUM_THREADS", "1", 1);
  setenv("VIPS_CONCURRENCY", "1", 1);
  std::string scratch = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : g_dir) + "/vop_bench.XXXXXX";
  if (mkdtemp(scratch.data()) == nullptr) {
    std::fprintf(stderr, "vop_bench: no scratch folder\n");
    return 1;
  }
  g_scratch = scratch;
  {
    // The stock policy caps the pixel cache at 256 MiB in memory and 1 GiB on disk: a doubled
    // picture would fail or be paged through a file. Raised here so that ImageMagick, like the
    // core, works in memory (resource policies found first on the configure path win).
    std::ofstream policy(g_scratch + "/policy.xml");
    policy << "<policymap>\n"
              "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
              "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
              "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
              "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
              "</policymap>\n";
  }
  setenv("MAGICK_CONFIGURE_PATH", g_scratch.c_str(), 1);
  struct stat st {};
  g_magick.installed = succeeded(runProcess({"convert", "-version"}, false)) &&
                       stat((g_dir + "/plasma.mpc").c_str(), &st) == 0;
  g_vips.installed = succeeded(runProcess({"vips", "--version"}, false)) &&
                     stat((g_dir + "/plasma.v").c_str(), &st) == 0;

  std::printf(
      "image core on a %d x %d 24-bit picture (%.1f MP); MP/s = source megapixels per second of "
      "processor "
      "time.\nours: median of up to %d runs in this process; peers: as processes "
      "(MAGICK_THREAD_LIMIT=1, VIPS_CONCURRENCY=1),\nuser + system time less a no-op run on the "
      "same file, one run, or under a second the median of five runs each less its own no-op "
      "(ImageMagick: MPC in, raw RGB to /dev/null; libvips: native file copied to memory, or "
      "only\nopened for hist_find)\n",
      g_source.surface.width, g_source.surface.height, g_megapixels, g_reps);
  if (!g_magick.installed)
    std::printf("peer not installed: ImageMagick (convert, or %s/plasma.mpc missing); its rows "
                "have no figure\n",
                g_dir.c_str());
  if (!g_vips.installed)
    std::printf("peer not installed: libvips (vips, Debian package libvips-tools, or %s/plasma.v "
                "missing); its rows "
                "have no figure\n",
                g_dir.c_str());
  std::printf("\n| %-32s | %8s | %-38s | %9s | %6s | %-8s | %-12s | %s\n", "work", "ours", "peer",
              "peer", "ratio", "goal", "result", "note");
  std::printf(
      "|%s|%s|%s|%s|%s|%s|%s|%s\n", std::string(34, '-').c_str(), std::string(10, '-').c_str(),
      std::string(40, '-').c_str(), std::string(11, '-').c_str(), std::string(8, '-').c_str(),
      std::string(10, '-').c_str(), std::string(14, '-').c_str(), std::string(6, '-').c_str());
  if (wanted("copy"))
    benchCopy();
  if (wanted("tone"))
    benchTone();
  if (wanted("decolor"))
    benchDecolor();
  if (wanted("filter"))
    benchFilter();
  if (wanted("rotate"))
    benchRotate();
  if (wanted("analysis"))
    benchAnalysis();

  int met = 0, missed = 0, wrong = 0, nopeer = 0;
  for (const Row &r : g_rows) {
    const std::string v = verdict(r);
    met += v == "met";
    missed += v == "NOT met";
    wrong += v == "WRONG OUTPUT";
    nopeer += v == "no peer";
  }
  std::printf(
      "\ngoals met: %d, not met: %d, without a peer figure: %d, rows with wrong output: %d\n", met,
      missed, nopeer, wrong);
  for (const char *name : {"out.v", "curve.pgm", "stdout.txt", "stderr.txt", "policy.xml"})
    std::remove((g_scratch + "/" + name).c_str());
  for (const uint32_t code : {0u, 32u, 80u, 17u, 65u, 112u, vop::kFilterCustom})
    std::remove((g_scratch + "/code" + std::to_string(code) + ".mat").c_str());
  rmdir(g_scratch.c_str());
  return wrong > 0 ? 1 : 0;
}
