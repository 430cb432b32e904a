// The Version page: the versions of the program and the libraries it loads, and the logo.
#include "app/win/version_page.h"

#include "app/core/property_text.h"
#include "app/win/bitmaps.h"
#include "app/win/resource.h"
#include "tolm_version.h"

namespace {

// The runtime libraries this build of the program really loads: the C runtime it links, the
// common controls, the codec service and the window system.
const char *const kComponents[9] = {"TOLM.exe",     "vopimg.dll",  "kelsys.dll",
                                    "daxread.dll",  "dax2jpn.dll", "msvcrt.dll",
                                    "comctl32.dll", "GdiPlus.dll", "user32.dll"};

} // namespace

CTabPage2::CTabPage2(CTolmSession &session)
    : CTolmDialog(IDD_PAGE_VERSION, session, kPlaceMainDialogs) {}

BOOL CTabPage2::OnInitDialog() {
  std::string lines[9];
  for (int i = 0; i < 9; ++i) {
    uint32_t parts[4] = {0, 0, 0, 0};
    if (m_session.m_kelsys.kelGetFileVersion != nullptr)
      m_session.m_kelsys.kelGetFileVersion(kComponents[i], &parts[0], &parts[1], &parts[2],
                                           &parts[3]);
    lines[i] = tolm::versionLine(kComponents[i], parts);
  }
  const std::string notice = std::string("TOLM ") + TOLM_VERSION_TEXT + "  (C) n.orbit";
  SetDlgItemTextW(m_hWnd, IDC_VERSION_TEXT, WidenAnsi(tolm::versionBlock(lines, notice)).c_str());
  m_logo.reset(LoadBitmapW(m_resources, MAKEINTRESOURCEW(IDB_LOGO)));
  if (m_logo != nullptr) {
    ReplaceBackground(m_logo.get(), 100, 34, GetSysColor(COLOR_BTNFACE));
    SendDlgItemMessageW(m_hWnd, IDC_VERSION_LOGO, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(m_logo.get()));
  }
  return TRUE;
}
