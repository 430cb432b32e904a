// The program's own resources and its use of the platform: the Japanese string table of the
// real TOLM.exe, the mapping from error codes to strings, and the GDI+ decoder list.
#include <windows.h>

#include "app/core/cmdline.h"
#include "app/win/error_reporter.h"
#include "app/win/image_decoders.h"
#include "app/win/resource.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ProgramStrings : public ::testing::Test {
protected:
  void SetUp() override {
    module =
        LoadLibraryExA(testutil::windowsPath(TOLM_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << "cannot open TOLM.exe's resources";
  }
  void TearDown() override { FreeLibrary(module); }
  std::wstring text(UINT id) const {
    const wchar_t *p = nullptr;
    const int n = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&p), 0);
    return n > 0 ? std::wstring(p, static_cast<size_t>(n)) : std::wstring();
  }
  HMODULE module = nullptr;
};

TEST_F(ProgramStrings, HoldEveryTextTheUserSees) {
  const struct {
    UINT id;
    const wchar_t *text;
  } kExpected[] = {
      {1040, L"全般"},
      {1041, L"EXIF 情報"},
      {1042, L"バージョン"},
      {1043, L"拡張削除"},
      {3000, L"名前　　： "},
      {3001, L"場所　　： "},
      {3002, L"サイズ 　： "},
      {3003, L"作成日時　  ： "},
      {3004, L"更新日時    ： "},
      {3005, L"アクセス日時 ： "},
      {3006, L"属性(ACEHRS)  ：  "},
      {3007, L" バイト"},
      {3008, L"ファイル日時属性"},
      {3009, L"更新オプション"},
      {3010, L"ファイルを含む"},
      {3011, L"サブフォルダを含む"},
      {3012, L"更新(&R)"},
      {4100, L"TOLM - フォルダ内ファイル日時属性変更"},
      {4101, L"TOLM - フォルダ日時変更"},
      {4102, L"TOLM - ファイル日時属性変更"},
      {4200, L"キャンセル"},
      {4202, L"リストファイル　："},
      {4204, L"参照"},
      {5000, L"起動に失敗しました"},
      {5001, L"EXIF の読み取りに失敗しました"},
      {5003, L"処理できないファイル"},
      {5004, L"処理可能なファイル数を超えました"},
      {5005, L"対象ファイル、フォルダがありません"},
      {5006, L"レジストリの操作失敗"},
      {5007, L"不正な起動オプション"},
      {5008, L"システム異常のため終了"},
      {5010, L"その他の障害"},
      {5015, L"消去リストファイルの問題"},
      {5016, L"TOLM用の消去ファイルリストではない、または、規定の書式でない"},
      {5017, L"消去用リストファイルの異常"},
      {5018, L"作業用バッファが足りません"},
      {5104, L"メモリ不足"},
      {5500, L"DX DLL のリソースファイルがありません"},
      {57344, L"TOLM"},
  };
  for (const auto &e : kExpected)
    EXPECT_EQ(text(e.id), e.text) << "string " << e.id;
}

TEST_F(ProgramStrings, EveryErrorCodeReachesAString) {
  const int codes[] = {-5000, -5001, -5002, -5003, -5004, -5005, -5006, -5007, -5008,
                       -5009, -5010, -5011, -104,  -107,  -201,  -1,    0,     12345};
  for (int code : codes)
    EXPECT_FALSE(text(CErrorReporter::StringIdOf(code)).empty()) << "code " << code;
  EXPECT_EQ(CErrorReporter::StringIdOf(-5002), 5003u);
  EXPECT_EQ(CErrorReporter::StringIdOf(-5005), 5006u);
  EXPECT_EQ(CErrorReporter::StringIdOf(-5006), 5008u);
  EXPECT_EQ(CErrorReporter::StringIdOf(-5007), 5007u);
  EXPECT_EQ(CErrorReporter::StringIdOf(-201), 5010u) << "library codes show the general text";
}

TEST(ErrorText, CodeAndFourBlanksThenTheSystemText) {
  EXPECT_EQ(CErrorReporter::Compose(L"X", -5004, nullptr), L"X (TOLM:-5004)    ");
  EXPECT_EQ(CErrorReporter::Compose(L"X", -107, L"reason\r\n"), L"X (TOLM:-107)    \r\nreason\r\n");
}

TEST(ImageDecoders, ThePlatformsDecodersDecideWhatIsAnImage) {
  std::string text;
  ASSERT_TRUE(ImageDecoderText(text));
  EXPECT_EQ(text.back(), '|');
  const std::string upper = tolm::upperAscii(text, tolm::noLeadBytes);
  EXPECT_NE(upper.find("*.JPG"), std::string::npos) << text;
  EXPECT_NE(upper.find("*.PNG"), std::string::npos) << text;
  EXPECT_TRUE(tolm::isImageExtension("C:\\p\\a.JPG", text, tolm::noLeadBytes));
  EXPECT_TRUE(tolm::isImageExtension("C:\\p\\a.bmp", text, tolm::noLeadBytes));
  EXPECT_TRUE(tolm::isImageExtension("C:\\p\\a.JP", text, tolm::noLeadBytes));
  EXPECT_FALSE(tolm::isImageExtension("C:\\p\\a.txt", text, tolm::noLeadBytes));
  EXPECT_FALSE(tolm::isImageExtension("C:\\p\\a.docx", text, tolm::noLeadBytes));
}

} // namespace
