// The application object of TOLM.exe: start-up, the target, the settings and the libraries.
#include "app/win/tolm_app.h"

#include <commctrl.h>

#include "app/win/ext_delete_dialog.h"
#include "app/win/file_info_dialog.h"
#include "app/win/image_decoders.h"
#include "app/win/resource.h"
#include "util/win/lead_byte.h"

#include <cstring>
#include <utility>

CTolmApp theApp;

namespace {

// A 260-byte path buffer for the libraries. ClassifyTarget refuses longer targets, so the
// copy is never cut.
struct PathBuffer {
  char text[MAX_PATH] = {};
  explicit PathBuffer(const std::string &path) { std::strncpy(text, path.c_str(), MAX_PATH - 1); }
};

// The ANSI form of a wide path, false unless it turns back into the same wide text: a
// character the code page cannot carry would otherwise become "?", which the find-first
// search reads as a wildcard, or a look-alike ("best fit") that names another item.
bool ToAnsiExactly(const std::wstring &wide, std::string &ansi) {
  ansi.clear();
  if (wide.empty())
    return true;
  const int wideLength = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                                         nullptr, 0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault)
    return false;
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, narrow.data(), length,
                      nullptr, &usedDefault);
  if (usedDefault)
    return false;
  const int back =
      MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, narrow.data(), length, nullptr, 0);
  if (back != wideLength)
    return false;
  std::wstring again(static_cast<size_t>(back), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, narrow.data(), length, again.data(), back);
  if (again != wide)
    return false;
  ansi = std::move(narrow);
  return true;
}

// The full form of a found path; false when it does not fit a path buffer of the libraries,
// which would otherwise cut it and work on another name.
bool FullPathOf(const std::string &path, std::string &full) {
  char buffer[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH)
    return false;
  full.assign(buffer, length);
  return true;
}

} // namespace

CTolmApp::CTolmApp() = default;

BOOL CTolmApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  m_appTitle = LoadStr(m_hInstance, IDS_APP_TITLE);

  // Only Windows 2000 reports short names from the find-first search.
  if (m_kelsys.kelGetWinVersion != nullptr) {
    OSVERSIONINFOA version{};
    m_kelsys.kelGetWinVersion(&version);
    m_longNameFlag = version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 5 &&
                     version.dwMinorVersion == 0;
  }

  const tolm::CommandLine command = tolm::scanCommandLine(m_lpCmdLine);
  if (command.tooShort) {
    m_errors.ShowError(MB_ICONHAND, -5004);
    return FALSE;
  }
  m_letter = command.letter;
  // The narrow line has already turned what the code page cannot carry into "?"; the wide
  // one tells such a path from a wildcard the user typed.
  const tolm::WideCommandLine wide = tolm::scanCommandLine(tolm::argumentsOf(GetCommandLineW()));
  if (!ToAnsiExactly(wide.path, m_targetPath)) {
    m_errors.ShowError(MB_ICONHAND, -5004);
    return FALSE;
  }

  const int kind = ClassifyTarget();
  if (kind < 0) {
    m_errors.ShowError(MB_ICONHAND, kind == tolm::kWrongLetter ? -5007
                                    : kind == tolm::kNotFound  ? -5004
                                                               : -5000);
    return FALSE;
  }
  m_launchKind = kind;

  if (m_launchKind == tolm::kFolderErase) {
    if (m_kelsys.module() == nullptr) {
      ReportMissingLibrary(m_kelsys);
      return FALSE;
    }
    CDlgExtDelete dialog(*this);
    dialog.DoModal();
    return FALSE;
  }

  if (m_kelsys.module() == nullptr || m_vopimg.module() == nullptr ||
      m_vopimg.vopInitialize == nullptr) {
    ReportMissingLibrary(m_kelsys.module() == nullptr ? static_cast<CLibraryBinding &>(m_kelsys)
                                                      : m_vopimg);
    return FALSE;
  }
  const int32_t plainHandles = 0;
  m_vopimg.vopInitialize(&plainHandles);
  if (m_daxread.module() == nullptr || m_daxread.daxInitialize == nullptr ||
      m_daxread.daxBeginProcessing == nullptr) {
    ReportMissingLibrary(m_daxread);
    return FALSE;
  }
  char resourceLibrary[MAX_PATH] = "dax2jpn.dll";
  m_daxread.daxInitialize(resourceLibrary);
  PathBuffer target(m_targetPath);
  // A folder has no EXIF data: that result is of no interest.
  if (m_daxread.daxBeginProcessing(0x301, target.text) == -107)
    m_errors.ShowError(MB_ICONEXCLAMATION, -107);
  LoadSettings();
  CDlgFileInfo dialog(*this);
  dialog.DoModal();
  return FALSE;
}

void CTolmApp::ReportMissingLibrary(const CLibraryBinding &library) {
  // The box explains itself with the last error; by now that is the search's, not the loader's.
  SetLastError(library.loadError() != ERROR_SUCCESS ? library.loadError() : ERROR_PROC_NOT_FOUND);
  m_errors.ShowError(MB_ICONHAND, -5006);
}

int CTolmApp::ExitInstance() {
  if (m_settings.loaded)
    SaveSettings();
  return CWinApp::ExitInstance();
}

int CTolmApp::ClassifyTarget() {
  m_place = "????";
  m_name = "????";
  CFileFind finder;
  if (!finder.FindFile(m_targetPath.c_str()))
    return tolm::kNotFound;
  finder.FindNextFile();
  // Full at once: a relative path would later be read against whatever the current folder
  // has become by then (a file dialog moves it).
  std::string found;
  if (!FullPathOf(finder.GetFilePath(), found))
    return tolm::kNotFound;

  bool image = false;
  if (!finder.IsDirectory()) {
    std::string decoders;
    image = ImageDecoderText(decoders) &&
            tolm::isImageExtension(m_targetPath, decoders, kel::isAnsiLeadByte);
  }
  const int kind = tolm::classifyFound(finder.IsDirectory() != FALSE, m_letter, image);
  if (kind < 0)
    return kind;

  m_targetPath = found;
  if (m_longNameFlag && m_kelsys.kelGetLongFileName != nullptr) {
    char buffer[MAX_PATH + 1];
    std::memset(buffer, ' ', MAX_PATH);
    buffer[MAX_PATH] = '\0';
    const int length = m_kelsys.kelGetLongFileName(m_targetPath.c_str(), buffer);
    // Only a converted name replaces the path; a failure would leave the blanks.
    if (length > 0 && length < MAX_PATH)
      m_targetPath = buffer;
  }
  auto [place, name] = tolm::splitPlaceAndName(m_targetPath, kel::isAnsiLeadByte);
  m_place = place;
  m_name = name;
  return kind;
}
