// The string tables of dax2jpn.dll and dax2enc.dll against the tag lists and the formatter's ids.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Tags of TIFF 6.0 (baseline and extensions), of Exif 2.32 (Exif IFD and pointers) and GPS.
const std::vector<int> kTiffTags = {
    254, 255, 256, 257, 258, 259, 262, 263, 264, 265, 266, 269, 270, 271, 272, 273, 274,  277, 278,
    279, 280, 281, 282, 283, 284, 285, 286, 287, 288, 289, 290, 291, 292, 293, 296, 297,  301, 305,
    306, 315, 316, 317, 318, 319, 320, 321, 322, 323, 324, 325, 332, 333, 334, 336, 337,  338, 339,
    340, 341, 342, 512, 513, 514, 515, 517, 518, 519, 520, 521, 529, 530, 531, 532, 33432};
const std::vector<int> kExifTags = {
    33434, 33437, 34665, 34850, 34852, 34853, 34855, 34856, 34864, 34865, 34866, 34867,
    34868, 34869, 36864, 36867, 36868, 36880, 36881, 36882, 37121, 37122, 37377, 37378,
    37379, 37380, 37381, 37382, 37383, 37384, 37385, 37386, 37396, 37500, 37510, 37520,
    37521, 37522, 37888, 37889, 37890, 37891, 37892, 37893, 40960, 40961, 40962, 40963,
    40964, 40965, 41483, 41484, 41486, 41487, 41488, 41492, 41493, 41495, 41728, 41729,
    41730, 41985, 41986, 41987, 41988, 41989, 41990, 41991, 41992, 41993, 41994, 41995,
    41996, 42016, 42032, 42033, 42034, 42035, 42036, 42037, 42080, 42081, 42082, 42240};

constexpr int kFilterId = 65535;

std::wstring wide(const char *utf8) {
  wchar_t w[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w, 512);
  return w;
}

class Library {
public:
  explicit Library(const char *name)
      : m_module(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~Library() {
    if (m_module)
      FreeLibrary(m_module);
  }
  bool loaded() const { return m_module != nullptr; }
  // The string as stored (UTF-16), or empty when there is none.
  std::wstring text(int id) const {
    const wchar_t *p = nullptr;
    const int n = LoadStringW(m_module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&p), 0);
    return n > 0 && p ? std::wstring(p, static_cast<size_t>(n)) : std::wstring();
  }
  std::set<int> ids() const {
    std::set<int> all;
    for (int id = 0; id <= 65535; ++id)
      if (!text(id).empty())
        all.insert(id);
    return all;
  }

private:
  HMODULE m_module;
};

class LanguageLibraries : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(jpn.loaded()) << "dax2jpn.dll not found";
    ASSERT_TRUE(enc.loaded()) << "dax2enc.dll not found";
  }
  Library jpn{"dax2jpn.dll"};
  Library enc{"dax2enc.dll"};
};

// Names from the Exif standard: English tag names, Japanese field names.
TEST_F(LanguageLibraries, KnownTagsCarryTheStandardsNames) {
  struct Row {
    int tag;
    const char *english;
    const char *japanese;
  } rows[] = {
      {271, "Make", "画像入力機器のメーカー名"},
      {274, "Orientation", "画像方向"},
      {306, "DateTime", "ファイル変更日時"},
      {33434, "ExposureTime", "露出時間"},
      {33437, "FNumber", "Fナンバー"},
      {36867, "DateTimeOriginal", "原画像データの生成日時"},
      {37385, "Flash", "フラッシュ"},
      {42033, "BodySerialNumber", "カメラシリアル番号"},
      {42036, "LensModel", "レンズのモデル名"},
      {0, "GPSVersionID", "GPSタグのバージョン"},
      {2, "GPSLatitude", "緯度(度、分、秒)"},
      {31, "GPSHPositioningError", "水平方向測位誤差"},
  };
  for (const Row &r : rows) {
    EXPECT_EQ(enc.text(r.tag), wide(r.english)) << r.tag;
    EXPECT_EQ(jpn.text(r.tag), wide(r.japanese)) << r.tag;
  }
}

TEST_F(LanguageLibraries, EveryStandardTagHasALabelInBothLanguages) {
  std::vector<int> all = kTiffTags;
  all.insert(all.end(), kExifTags.begin(), kExifTags.end());
  for (int gps = 0; gps <= 31; ++gps)
    all.push_back(gps);
  for (int tag : all) {
    EXPECT_FALSE(enc.text(tag).empty()) << "dax2enc lacks tag " << tag;
    EXPECT_FALSE(jpn.text(tag).empty()) << "dax2jpn lacks tag " << tag;
  }
}

// The ids are read from the formatter's source: every literal id, and every id of a value
// range ({tag, first, last, firstId} names values first..last with firstId onwards).
std::set<int> idsTheFormatterUses() {
  std::ifstream in(std::string(TOLM_SOURCE_DIR) + "/exif/core/format.cpp");
  const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::set<int> ids;
  const std::regex literal(R"(\b(6[34]\d{3})\b)");
  for (auto it = std::sregex_iterator(source.begin(), source.end(), literal);
       it != std::sregex_iterator(); ++it)
    ids.insert(std::stoi((*it)[1]));
  const std::regex range(R"(\{\s*(\d+),\s*(\d+),\s*(\d+),\s*(6[34]\d{3})\s*\})");
  for (auto it = std::sregex_iterator(source.begin(), source.end(), range);
       it != std::sregex_iterator(); ++it) {
    const int first = std::stoi((*it)[2]), last = std::stoi((*it)[3]), id = std::stoi((*it)[4]);
    for (int k = 0; k <= last - first; ++k)
      ids.insert(id + k);
  }
  return ids;
}

TEST_F(LanguageLibraries, EveryValueNameTheFormatterAsksForExistsInBothLanguages) {
  const std::set<int> ids = idsTheFormatterUses();
  ASSERT_GT(ids.size(), 150u) << "format.cpp not found or not parsed";
  EXPECT_TRUE(ids.count(63016)) << "Orientation 8, the end of a range";
  EXPECT_TRUE(ids.count(63131)) << "LightSource 15, the end of a range";
  for (int id : ids) {
    EXPECT_FALSE(enc.text(id).empty()) << "dax2enc lacks value name " << id;
    EXPECT_FALSE(jpn.text(id).empty()) << "dax2jpn lacks value name " << id;
  }
  std::printf("value names checked: %zu\n", ids.size());
  // Components are cut to 31 characters by the formatter; they are single letters anyway.
  for (int id = 63070; id <= 63075; ++id)
    EXPECT_LE(jpn.text(id).size(), 2u) << id;
}

TEST_F(LanguageLibraries, BothHoldTheSameIdsAndTheirTextsSurviveTheirCodePages) {
  const std::set<int> jpnIds = jpn.ids(), encIds = enc.ids();
  EXPECT_EQ(jpnIds, encIds);
  EXPECT_GT(jpnIds.size(), 350u);
  for (int id : jpnIds) {
    const std::wstring text = jpn.text(id);
    BOOL lost = FALSE;
    char narrow[2048];
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                        narrow, sizeof narrow, nullptr, &lost);
    EXPECT_FALSE(lost) << "dax2jpn string " << id << " has a character outside code page 932";
  }
  for (int id : encIds)
    for (wchar_t c : enc.text(id))
      EXPECT_LT(c, 0x80) << "dax2enc string " << id << " is not plain ASCII";
}

TEST_F(LanguageLibraries, TheFileFilterHoldsPairsOfDescriptionAndPattern) {
  for (const Library *lib : {&jpn, &enc}) {
    const std::wstring text = lib->text(kFilterId);
    std::vector<std::wstring> parts;
    std::wstringstream in(text);
    std::wstring part;
    while (std::getline(in, part, L'|'))
      parts.push_back(part);
    ASSERT_GE(parts.size(), 2u);
    ASSERT_EQ(parts.size() % 2, 0u) << "description and pattern alternate";
    EXPECT_NE(parts[1].find(L"*.jpg"), std::wstring::npos) << "the first pattern takes JPEG files";
    EXPECT_EQ(parts.back(), L"*.*") << "the last pair takes every file";
  }
}

// A language library runs no code: its entry point is 0.
TEST_F(LanguageLibraries, TheLibrariesHaveNoEntryPoint) {
  for (const char *name : {"dax2jpn.dll", "dax2enc.dll"}) {
    char path[MAX_PATH] = {};
    ASSERT_GT(SearchPathA(nullptr, name, nullptr, MAX_PATH, path, nullptr), 0u) << name;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 0x200u);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(bytes.data());
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(bytes.data() + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.AddressOfEntryPoint, 0u) << name;
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL) << name;
  }
}

} // namespace
