// The base of TOLM's dialogs and pages: a failure that escapes one of their handlers is shown by
// the program's error reporter with the number of the place.
#pragma once
#include <windows.h>

#include "app/win/session.h"
#include "framework/dialog.h"

class CTolmDialog : public CDialog {
protected:
  CTolmDialog(UINT templateId, CTolmSession &session, int failurePlace)
      : CDialog(templateId), m_session(session), m_failurePlace(failurePlace) {}
  void OnException(const CException &exception) override;

  CTolmSession &m_session;

private:
  int m_failurePlace;
};
