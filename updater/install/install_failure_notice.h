#pragma once
// The box that tells the user an installation could not be completed.

#include <string>

struct InstallFailureTexts {
  std::u16string text;
  std::u16string button;
};

// By the language rule of the moment.
InstallFailureTexts InstallFailureTextsNow();

// Shows the box (no owner, mode 2) and waits for it. Its button promises the
// download page, so closing it with the button (1) opens the page.
void ShowInstallFailureNotice();
