// Runs the real camera files of the shared corpus through the engine; values cross-checked with
// exiftool.
#include "exif/core/engine.h"
#include "exif/core/format.h"
#include "exif/core/walker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "tests/exif/core/tiff_maker.h"

using namespace daxtest;

namespace {

const std::string kCorpus = std::string(TOLM_CORPUS_DIR) + "/exif/";

struct Loaded {
  bool found = false;
  int result = 0;
  dax::Engine engine;
  std::string value(int32_t group, uint16_t tag) const {
    for (const auto &g : engine.results().groups)
      for (const auto &e : g.entries)
        if (e.group == group && e.tag == tag)
          return e.value;
    return "<missing>";
  }
};

void load(const std::string &name, Loaded &out) {
  Bytes file;
  if (!readFile(kCorpus + name, file)) {
    std::printf("SKIP: corpus file %s not found\n", (kCorpus + name).c_str());
    return;
  }
  out.found = true;
  dax::MemorySource source(file);
  IdStrings strings;
  out.result = out.engine.analyze(source, strings, 0x301);
}

} // namespace

// Expected texts: exiftool -n values rendered by the rules by hand.
TEST(Corpus, CanonJpegValuesAndThumbnail) {
  Loaded f;
  load("jpg/Canon_40D.jpg", f);
  if (!f.found)
    GTEST_SKIP();
  ASSERT_EQ(f.result, 50);
  EXPECT_EQ(f.value(0, 271), "Canon");
  EXPECT_EQ(f.value(0, 272), "Canon EOS 40D");
  EXPECT_EQ(f.value(0, 282), "72");
  EXPECT_EQ(f.value(0, 274), "#63009");           // Orientation 1
  EXPECT_EQ(f.value(34665, 33434), "1/160 sec."); // 0.00625
  EXPECT_EQ(f.value(34665, 33437), "F7.1");
  EXPECT_EQ(f.value(34665, 34855), "100");
  EXPECT_EQ(f.value(34665, 36864), "2.21");       // "0221"
  EXPECT_EQ(f.value(34665, 40960), "1.0");        // "0100"
  EXPECT_EQ(f.value(34665, 37377), "1/166 sec."); // APEX 7.375
  EXPECT_EQ(f.value(34665, 37378), "F7.0");       // 7.025
  EXPECT_EQ(f.value(34665, 37380), "0.0");
  EXPECT_EQ(f.value(34665, 37383), "#63035"); // MeteringMode 5
  EXPECT_EQ(f.value(34665, 37385), "#63135"); // Flash 9
  EXPECT_EQ(f.value(34665, 37386), "135.0 mm");
  EXPECT_EQ(f.value(34665, 37121), "#63070#63072#63071");
  EXPECT_EQ(f.value(34665, 40962), "100 pixel");
  EXPECT_EQ(f.value(34665, 41486), "4438.4"); // 4438.356164
  EXPECT_EQ(f.value(40965, 1), "R98");
  EXPECT_EQ(f.value(34853, 0), "2.2.0.0");
  dax::ThumbnailRecord rec{0, 0, nullptr};
  ASSERT_EQ(f.engine.thumbnail(0x105, &rec), 0);
  EXPECT_EQ(rec.kind, 6);
  EXPECT_EQ(rec.size, 65535 + 1378); // ThumbnailLength
  EXPECT_EQ(f.engine.results().thumbnail.data[0], 0xFF);
  EXPECT_EQ(f.engine.results().thumbnail.data[1], 0xD8);
}

TEST(Corpus, GpsReferencesAndNegativeBias) {
  Loaded gps;
  load("jpg/gps/DSCN0010.jpg", gps);
  Loaded nikon;
  load("jpg/Nikon_D70.jpg", nikon);
  if (!gps.found || !nikon.found)
    GTEST_SKIP();
  EXPECT_EQ(gps.value(34853, 1), "#63076"); // N
  EXPECT_EQ(gps.value(34853, 3), "#63078"); // E
  EXPECT_EQ(gps.value(34853, 5), "#63080"); // altitude reference 0
  EXPECT_EQ(gps.value(34665, 33437), "F5.9");
  EXPECT_EQ(gps.value(34665, 34855), "64");
  EXPECT_EQ(gps.value(34665, 37385), "#63138"); // Flash 16
  EXPECT_EQ(nikon.value(34665, 37380), "-1.00");
  EXPECT_EQ(nikon.value(34665, 33434), "1/200 sec.");
  EXPECT_EQ(nikon.value(34665, 33437), "F9.0");
  EXPECT_EQ(nikon.engine.results().thumbnail.data.size(), 65535u + 1700);
}

TEST(Corpus, BigEndianStripThumbnailPointsIntoTheBlock) {
  Loaded f;
  load("jpg/exif-org/kodak-dc210.jpg", f);
  Bytes file;
  if (!f.found || !readFile(kCorpus + "jpg/exif-org/kodak-dc210.jpg", file))
    GTEST_SKIP();
  ASSERT_GT(f.result, 0);
  EXPECT_EQ(f.value(0, 271), "Eastman Kodak Company");
  EXPECT_EQ(f.value(34665, 37386), "4.4 mm");
  const Bytes &t = f.engine.results().thumbnail.data;
  ASSERT_EQ(t.size(), 65535u + 20736); // StripByteCounts
  EXPECT_EQ(f.engine.results().thumbnail.kind, 1);
  EXPECT_EQ(Bytes(t.begin(), t.begin() + 4), (Bytes{'M', 'M', 0, 42}));
  // exiftool -v3: the stored StripOffsets is a SHORT 928 from the TIFF header, which is at 12
  // in the file (exiftool -n shows the sum, 940).
  EXPECT_EQ(Bytes(t.begin() + 65535, t.end()),
            Bytes(file.begin() + 940, file.begin() + 940 + 20736));
  bool rewritten = false;
  for (size_t e = 10; e + 12 <= 10 + 12 * size_t{dax::get16(&t[8], dax::ByteOrder::kBig)}; e += 12)
    if (dax::get16(&t[e], dax::ByteOrder::kBig) == 273)
      rewritten = dax::get16(&t[e + 2], dax::ByteOrder::kBig) == 4 &&
                  dax::get32(&t[e + 8], dax::ByteOrder::kBig) == 65535;
  EXPECT_TRUE(rewritten) << "StripOffsets stored as LONG 65535";
}

TEST(Corpus, EveryFileEndsWithAResultAndNoFault) {
  const char *names[] = {
      "jpg/Canon_40D_photoshop_import.jpg",
      "jpg/Canon_DIGITAL_IXUS_400.jpg",
      "jpg/Fujifilm_FinePix_E500.jpg",
      "jpg/Konica_Minolta_DiMAGE_Z3.jpg",
      "jpg/Olympus_C8080WZ.jpg",
      "jpg/PaintTool_sample.jpg",
      "jpg/Reconyx_HC500_Hyperfire.jpg",
      "jpg/Ricoh_Caplio_RR330.jpg",
      "jpg/corrupted.jpg",
      "jpg/long_description.jpg",
      "jpg/mobile/HMD_Nokia_8.3_5G.jpg",
      "jpg/mobile/jolla.jpg",
      "jpg/orientation/portrait_6.jpg",
      "jpg/tests/28-hex_value.jpg",
      "jpg/tests/30-type_error.jpg",
      "jpg/tests/33-type_error.jpg",
      "jpg/tests/36-memory_error.jpg",
      "jpg/tests/42_IndexError.jpg",
      "jpg/tests/67-0_length_string.jpg",
      "jpg/tests/87_OSError.jpg",
      "jpg/xmp/no_exif.jpg",
      "jpg/invalid/image00971.jpg",
      "jpg/exif-org/olympus-d320l.jpg",
      "tiff/Arbitro.tiff",
      "tiff/BSG1.tiff",
  };
  size_t seen = 0;
  for (const char *name : names) {
    Loaded f;
    load(name, f);
    if (!f.found)
      continue;
    ++seen;
    EXPECT_TRUE(f.result >= 0 || f.result == -103) << name << ": " << f.result;
    dax::IterationSetup setup{1024, 65536};
    const int total = f.engine.beginIteration(&setup, 3);
    std::vector<char> label(1024), value(65536);
    dax::EntryRecord rec{0, 0, 0, label.data(), value.data()};
    int delivered = 0, r = 0;
    while (delivered < total && r == 0) {
      r = f.engine.nextEntry(&rec);
      ++delivered;
    }
    EXPECT_EQ(delivered, total) << name;
  }
  if (seen == 0)
    GTEST_SKIP();
  std::printf("corpus files walked: %zu\n", seen);
}

namespace {

// One expected value text: (IFD group, tag) -> text. Groups: 0 main IFD, 34665 Exif, 34853 GPS.
struct ExpectedValue {
  int32_t group;
  uint16_t tag;
  const char *text;
};

// One corpus file: its selected values and its thumbnail (kind and size from operation 5 with
// bit 0x100; thumbResult -108 when the file has no second IFD thumbnail).
struct FileCase {
  const char *name;
  int thumbResult;
  int thumbKind;
  int thumbSize;
  std::vector<ExpectedValue> values;
};

constexpr uint16_t kMake = 271, kModel = 272, kExposure = 33434, kFNumber = 33437, kIso = 34855,
                   kDateOriginal = 36867, kLatRef = 1, kLat = 2, kLonRef = 3, kLon = 4;
constexpr int32_t kMain = 0, kExif = 34665, kGps = 34853;

// Expected texts were derived by hand from `exiftool -n -G1 -s` (and `exiftool -v2` for the raw
// numerators and denominators), shown in the trailing comments.
const std::vector<FileCase> &fileCases() {
  static const std::vector<FileCase> cases = {
      {"jpg/Canon_40D.jpg", 0, 6, 65535 + 1378, {{kExif, kDateOriginal, "2008:05:30 15:56:01"}}},
      {"jpg/Nikon_D70.jpg",
       0,
       6,
       65535 + 1700,
       {{kMain, kMake, "NIKON CORPORATION"},
        {kMain, kModel, "NIKON D70"},
        {kExif, kIso, "200"},
        {kExif, kDateOriginal, "2008:03:15 09:52:01"}}},
      {"jpg/Pentax_K10D.jpg",
       0,
       6,
       65535 + 1349,
       {{kMain, kMake, "PENTAX Corporation"}, // stored with a trailing space
        {kMain, kModel, "PENTAX K10D"},       // stored with trailing spaces
        {kExif, kExposure, "1/180 sec."},     // 1/180
        {kExif, kFNumber, "F11"},             // 110/10, no decimal above 9
        {kExif, kIso, "200"},
        {kExif, kDateOriginal, "2008:05:04 16:47:24"}}},
      {"jpg/Kodak_CX7530.jpg",
       0,
       6,
       65535 + 1918,
       {{kMain, kMake, "EASTMAN KODAK COMPANY"},
        {kMain, kModel, "KODAK CX7530 ZOOM DIGITAL CAMERA"},
        {kExif, kExposure, "1/250 sec."}, // 1/250
        {kExif, kFNumber, "F4.6"},        // 23/5
        {kExif, kDateOriginal, "2005:08:13 09:47:23"},
        {kGps, kLatRef, "#63077"},      // S
        {kGps, kLat, "0.0 22.3 0.0"},   // 0/1 22278/1000 0/1
        {kGps, kLonRef, "#63078"},      // E
        {kGps, kLon, "36.0 3.4 0.0"}}}, // 36/1 3385/1000 0/1
      {"jpg/Nikon_COOLPIX_P1.jpg",
       0,
       6,
       65535 + 1639,
       {{kMain, kMake, "NIKON"},
        {kMain, kModel, "COOLPIX P1"},
        {kExif, kExposure, "1/218 sec."}, // 10/2187: 2187 / 10 in integers
        {kExif, kFNumber, "F6.0"},        // 60/10
        {kExif, kIso, "50"},
        {kExif, kDateOriginal, "2008:03:07 09:55:46"}}},
      {"jpg/Fujifilm_FinePix_E500.jpg",
       -108,
       0,
       0, // big-endian, no second IFD
       {{kMain, kMake, "FUJIFILM"},
        {kMain, kModel, "FinePix E500"}, // stored with trailing spaces
        {kExif, kExposure, "1/80 sec."}, // 10/800
        {kExif, kFNumber, "F2.9"},       // 290/100
        {kExif, kIso, "100"},
        {kExif, kDateOriginal, "2006:08:17 09:24:48"}}},
      {"jpg/Panasonic_DMC-FZ30.jpg",
       0,
       6,
       65535 + 1607,
       {{kMain, kMake, "Panasonic"},
        {kMain, kModel, "DMC-FZ30"},
        {kExif, kExposure, "1/30 sec."}, // 10/300
        {kExif, kFNumber, "F3.2"},       // 32/10
        {kExif, kIso, "100"},
        {kExif, kDateOriginal, "2008:07:16 11:33:20"}}},
      {"jpg/Sony_HDR-HC3.jpg",
       0,
       6,
       65535 + 1232,
       {{kMain, kMake, "SONY"},
        {kMain, kModel, "HDR-HC3"},
        {kExif, kExposure, "1/60 sec."}, // 1/60
        {kExif, kFNumber, "F4.0"},       // 400/100
        {kExif, kDateOriginal, "2007:06:15 04:42:32"}}},
      {"jpg/Olympus_C8080WZ.jpg",
       0,
       0,
       65535 + 1061, // second IFD without Compression
       {{kMain, kMake, "OLYMPUS CORPORATION"},
        {kMain, kModel, "C8080WZ"},
        {kExif, kExposure, "1/160 sec."}, // 10/1600
        {kExif, kFNumber, "F2.8"},        // 28/10
        {kExif, kIso, "50"},
        {kExif, kDateOriginal, "2006:10:22 15:44:29"}}},
      {"jpg/Samsung_Digimax_i50_MP3.jpg",
       0,
       6,
       65535 + 1418,
       {{kMain, kMake, "Samsung Techwin"},
        {kMain, kModel, "<Digimax i50 MP3, Samsung #1 MP3>"},
        {kExif, kExposure, "1/6 sec."}, // 1/6
        {kExif, kFNumber, "F3.5"},      // 35/10
        {kExif, kIso, "150"},
        {kExif, kDateOriginal, "2006:08:15 17:50:57"}}},
      {"jpg/Canon_PowerShot_S40.jpg",
       0,
       6,
       65535 + 5448,
       {{kMain, kMake, "Canon"},
        {kMain, kModel, "Canon PowerShot S40"},
        {kExif, kExposure, "1/500 sec."}, // 1/500
        {kExif, kFNumber, "F4.9"},        // 49/10
        {kExif, kDateOriginal, "2003:12:14 12:01:44"}}},
      {"jpg/gps/DSCN0010.jpg",
       0,
       6,
       65535 + 6702,
       {{kMain, kMake, "NIKON"},
        {kMain, kModel, "COOLPIX P6000"},
        {kExif, kExposure, "1/75 sec."}, // 4/300
        {kExif, kDateOriginal, "2008:10:22 16:28:39"},
        {kGps, kLat, "43.0 28.0 2.8"},   // 43/1 28/1 281400000/100000000
        {kGps, kLon, "11.0 53.0 6.5"}}}, // 11/1 53/1 645599999/100000000
      {"jpg/gps/DSCN0021.jpg",
       0,
       6,
       65535 + 6307,
       {{kMain, kMake, "NIKON"},
        {kMain, kModel, "COOLPIX P6000"},
        {kExif, kExposure, "1/95 sec."}, // 1044932/100000000
        {kExif, kFNumber, "F4.7"},       // 47/10
        {kExif, kIso, "64"},
        {kExif, kDateOriginal, "2008:10:22 16:38:20"},
        {kGps, kLatRef, "#63076"},       // N
        {kGps, kLat, "43.0 28.0 1.5"},   // 43/1 28/1 149399999/100000000
        {kGps, kLonRef, "#63078"},       // E
        {kGps, kLon, "11.0 53.0 4.3"}}}, // 11/1 53/1 433799999/100000000
      {"jpg/exif-org/kodak-dc210.jpg",
       0,
       1,
       65535 + 20736, // big-endian, strip thumbnail
       {{kMain, kModel, "DC210 Zoom (V05.00)"},
        {kExif, kExposure, "1/30 sec."}, // 1/30
        {kExif, kFNumber, "F4.0"},       // 40/10
        {kExif, kDateOriginal, "2000:10:26 16:46:51"}}},
      {"jpg/exif-org/sony-d700.jpg",
       0,
       1,
       65535 + 14400, // big-endian, strip thumbnail
       {{kMain, kMake, "SONY"},
        {kMain, kModel, "DSC-D700"},
        {kExif, kIso, "200"},
        {kExif, kDateOriginal, "1998:12:01 14:22:36"}}},
      {"tiff/DudleyLeavittUtah.tiff",
       -108,
       0,
       0,                          // big-endian TIFF, one IFD
       {{kMain, 256, "196 pixel"}, // SHORT 196
        {kMain, 257, "257 pixel"}, // SHORT 257
        {kMain, 259, "#64985"},    // Compression 5
        {kMain, 305, "Mac OS X 10.5.7 (9J61)"},
        {kMain, 306, "2009:09:26 01:11:52"},
        {kMain, 315, "Russell Leavitt"}}},
  };
  return cases;
}

} // namespace

TEST(Corpus, SelectedValuesAndThumbnailsAcrossMakes) {
  size_t seen = 0, checked = 0;
  for (const FileCase &c : fileCases()) {
    Loaded f;
    load(c.name, f);
    if (!f.found)
      continue;
    ++seen;
    SCOPED_TRACE(c.name);
    ASSERT_GE(f.result, 0);
    for (const ExpectedValue &v : c.values) {
      EXPECT_EQ(f.value(v.group, v.tag), v.text) << "group " << v.group << " tag " << v.tag;
      ++checked;
    }
    dax::ThumbnailRecord rec{0, 0, nullptr};
    EXPECT_EQ(f.engine.thumbnail(0x105, &rec), c.thumbResult);
    if (c.thumbResult == 0) {
      EXPECT_EQ(rec.kind, c.thumbKind);
      EXPECT_EQ(rec.size, c.thumbSize);
      checked += 2;
    }
    ++checked;
  }
  if (seen == 0)
    GTEST_SKIP() << "corpus not found under " << kCorpus;
  std::printf("corpus files checked: %zu, values checked: %zu\n", seen, checked);
}

namespace {

// Labels longer than any of the language libraries' (their longest is under 40 bytes), so that
// the limits are tried with room to spare.
class LongLabels final : public dax::StringSource {
public:
  bool load(uint32_t id, std::string &text) const override {
    text.assign(40, static_cast<char>('A' + id % 26));
    return true;
  }
};

} // namespace

// The work limits are there for crafted files: no camera file may lose an entry to them.
TEST(Corpus, NoCameraFileIsCutByTheWorkLimits) {
  const std::filesystem::path root = kCorpus;
  if (!std::filesystem::is_directory(root)) {
    std::printf("SKIP: no camera corpus at %s\n", kCorpus.c_str());
    GTEST_SKIP();
  }
  const LongLabels strings;
  size_t walked = 0;
  for (const auto &item : std::filesystem::recursive_directory_iterator(root)) {
    const std::string ext = item.path().extension().string();
    if (!item.is_regular_file() || (ext != ".jpg" && ext != ".tif" && ext != ".tiff"))
      continue;
    Bytes file;
    ASSERT_TRUE(readFile(item.path().string(), file));
    dax::MemorySource source(file);
    dax::TableSet bounded, whole;
    const int r = dax::walkFile(source, strings, 0x301, bounded);
    dax::walkFile(source, strings, 0x301, whole, dax::WorkLimits::unlimited());
    if (r < 0)
      continue;
    ++walked;
    EXPECT_FALSE(bounded.cut) << item.path();
    EXPECT_EQ(bounded.totalEntries(), whole.totalEntries()) << item.path();
  }
  std::printf("camera files walked within the limits: %zu\n", walked);
}
