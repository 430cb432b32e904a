// What TOLM's dialogs and pages work with: the libraries, the error box, the settings and the
// target. The application object is one; a dialog takes it by reference and needs nothing of
// the program's start-up.
#pragma once
#include <string>

#include "app/core/cmdline.h"
#include "app/win/bindings.h"
#include "app/win/error_reporter.h"
#include "app/win/settings.h"

struct CTolmSession {
  // Bindings first: they load their libraries when the object is built, in this order, and
  // are destroyed (unloading the libraries) in the reverse order.
  CKelsysLibrary m_kelsys;
  CDaxreadLibrary m_daxread;
  CVopimgLibrary m_vopimg;
  CErrorReporter m_errors;
  CSettings m_settings;
  // The target: a LaunchKind, its full path, the folder it lies in and its name.
  int m_launchKind = tolm::kFolder;
  std::string m_targetPath;
  std::string m_place;
  std::string m_name;
};
