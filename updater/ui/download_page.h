#pragma once
// The vendor's download page, where a user gets the full installer when an
// update cannot be completed.

inline constexpr char kDownloadPageUrl[] = "https://www.veska.example/download";

// Opens the page with the desktop's default handler; false (and a log line)
// when nothing could be started.
bool OpenDownloadPage();
