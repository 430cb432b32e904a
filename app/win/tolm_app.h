// The application object of TOLM.exe: start-up, the target, the settings and the libraries.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/win/session.h"
#include "framework/afx.h"

// The session's target and settings are filled here; the dialogs take the session alone.
class CTolmApp : public CWinApp, public CTolmSession {
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

  int32_t m_longNameFlag = 0;
  std::string m_letter;
};

extern CTolmApp theApp;
