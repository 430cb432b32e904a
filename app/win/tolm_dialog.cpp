// The base of TOLM's dialogs and pages.
#include "app/win/tolm_dialog.h"

void CTolmDialog::OnException(const CException &exception) {
  m_session.m_errors.ShowException(MB_ICONHAND, m_failurePlace, exception);
}
