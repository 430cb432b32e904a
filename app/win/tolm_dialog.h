// The base of TOLM's dialogs and pages: a failure that escapes one of their handlers is shown by
// the program's error reporter with the number of the place.
#pragma once
#include <windows.h>

#include "framework/dialog.h"

class CTolmApp;

class CTolmDialog : public CDialog {
protected:
  CTolmDialog(UINT templateId, CTolmApp &app, int failurePlace)
      : CDialog(templateId), m_app(app), m_failurePlace(failurePlace) {}
  void OnException(const CException &exception) override;

  CTolmApp &m_app;

private:
  int m_failurePlace;
};
