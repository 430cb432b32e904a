// The program's error reporter: a code becomes a Japanese message box.
#pragma once
#include <windows.h>

#include "framework/afx.h"

// Numbers that name the place of a caught exception in ShowException's message.
enum ExceptionPlace : int {
  kPlacePages = 200,            // creating the tab pages or the work buffers
  kPlaceMainDialogs = 201,      // any other handler of the two main dialogs and their pages
  kPlacePreview = 300,          // the preview's buffer
  kPlaceExifBuffers = 400,      // the EXIF page's buffers
  kPlaceEditorPicture = 600,    // the editor's picture
  kPlaceEditorIndicators = 601, // the editor's indicator images
  kPlaceEditor = 612,           // any handler of the editor, Apply and OK among them
  kPlaceDateTools = 613,        // any handler of the date tools and the history
};

class CErrorReporter {
public:
  // The string id that holds the message of a code (5010 for codes without their own text).
  static UINT StringIdOf(int code);
  // The box's text: the message, the code, and the system's text for the last error.
  static std::wstring Compose(const std::wstring &message, int code, const wchar_t *systemText);

  int ShowError(UINT flags, int code) const;
  // Allocates nothing, so that it can report running out of memory.
  int ShowException(UINT flags, int number, const CException &exception) const;
};
