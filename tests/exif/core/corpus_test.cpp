// Runs the real camera files of the shared corpus through the engine; values cross-checked with exiftool.
#include "exif/core/engine.h"
#include "exif/core/format.h"

#include <gtest/gtest.h>

#include <cstdio>

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
  EXPECT_EQ(f.value(34665, 33434), "1/160 sec.");  // 0.00625
  EXPECT_EQ(f.value(34665, 33437), "F7.1");
  EXPECT_EQ(f.value(34665, 34855), "100");
  EXPECT_EQ(f.value(34665, 36864), "2.21");        // "0221"
  EXPECT_EQ(f.value(34665, 40960), "1.0");         // "0100"
  EXPECT_EQ(f.value(34665, 37377), "1/166 sec.");  // APEX 7.375
  EXPECT_EQ(f.value(34665, 37378), "F7.0");        // 7.025
  EXPECT_EQ(f.value(34665, 37380), "0.0");
  EXPECT_EQ(f.value(34665, 37383), "#63035");      // MeteringMode 5
  EXPECT_EQ(f.value(34665, 37385), "#63135");      // Flash 9
  EXPECT_EQ(f.value(34665, 37386), "135.0 mm");
  EXPECT_EQ(f.value(34665, 37121), "#63070#63072#63071");
  EXPECT_EQ(f.value(34665, 40962), "100 pixel");
  EXPECT_EQ(f.value(34665, 41486), "4438.4");      // 4438.356164
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
  EXPECT_EQ(Bytes(t.begin() + 65535, t.end()), Bytes(file.begin() + 940, file.begin() + 940 + 20736));
  bool rewritten = false;
  for (size_t e = 10; e + 12 <= 10 + 12 * size_t{dax::get16(&t[8], dax::ByteOrder::kBig)}; e += 12)
    if (dax::get16(&t[e], dax::ByteOrder::kBig) == 273)
      rewritten = dax::get16(&t[e + 2], dax::ByteOrder::kBig) == 4 && dax::get32(&t[e + 8], dax::ByteOrder::kBig) == 65535;
  EXPECT_TRUE(rewritten) << "StripOffsets stored as LONG 65535";
}

TEST(Corpus, EveryFileEndsWithAResultAndNoFault) {
  const char *names[] = {
      "jpg/Canon_40D_photoshop_import.jpg", "jpg/Canon_DIGITAL_IXUS_400.jpg", "jpg/Fujifilm_FinePix_E500.jpg",
      "jpg/Konica_Minolta_DiMAGE_Z3.jpg", "jpg/Olympus_C8080WZ.jpg", "jpg/PaintTool_sample.jpg",
      "jpg/Reconyx_HC500_Hyperfire.jpg", "jpg/Ricoh_Caplio_RR330.jpg", "jpg/corrupted.jpg",
      "jpg/long_description.jpg", "jpg/mobile/HMD_Nokia_8.3_5G.jpg", "jpg/mobile/jolla.jpg",
      "jpg/orientation/portrait_6.jpg", "jpg/tests/28-hex_value.jpg", "jpg/tests/30-type_error.jpg",
      "jpg/tests/33-type_error.jpg", "jpg/tests/36-memory_error.jpg", "jpg/tests/42_IndexError.jpg",
      "jpg/tests/67-0_length_string.jpg", "jpg/tests/87_OSError.jpg", "jpg/xmp/no_exif.jpg",
      "jpg/invalid/image00971.jpg", "jpg/exif-org/olympus-d320l.jpg", "tiff/Arbitro.tiff", "tiff/BSG1.tiff",
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
