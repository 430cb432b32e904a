// The application object of TOLM.exe: start-up, the target, the settings and the libraries.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/core/cmdline.h"
#include "app/win/bindings.h"
#include "app/win/error_reporter.h"
#include "app/win/settings.h"
#include "framework/afx.h"

// The General tab's preview picture, owned by that page.
struct PreviewState {
  int32_t x = 0, y = 0, width = 0, height = 0;
  VOP_IMAGE image = nullptr;
};

class CTolmApp : public CWinApp {
public:
  CTolmApp();
  BOOL InitInstance() override;
  int ExitInstance() override;

  // Finds the target and sets the launch kind, target path, place and name: a LaunchKind,
  // kWrongLetter (-2) or kNotFound (-3).
  int ClassifyTarget();
  void LoadSettings() { m_settings.Load(m_kelsys); }
  void SaveSettings() { m_settings.Save(m_kelsys); }
  // Reports that a library the chosen dialog needs is missing, with the loader's reason.
  void ReportMissingLibrary(const CLibraryBinding &library);

  // Bindings first: they load their libraries when the object is built, in this order, and
  // are destroyed (unloading the libraries) in the reverse order.
  CKelsysLibrary m_kelsys;
  CDaxreadLibrary m_daxread;
  CVopimgLibrary m_vopimg;
  CErrorReporter m_errors;
  CSettings m_settings;
  int32_t m_longNameFlag = 0;
  int m_launchKind = tolm::kFolder;
  std::string m_targetPath;
  std::string m_place;
  std::string m_name;
  std::string m_letter;
  PreviewState m_preview;
};

extern CTolmApp theApp;
