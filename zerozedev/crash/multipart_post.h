#pragma once
// An HTTP(S) multipart/form-data POST of text fields and whole files
// (libcurl's MIME interface).

#include <map>
#include <string>

namespace google_breakpad {

struct MultipartPostResult {
  bool answered = false;  // an HTTP status came back
  long status = 0;
  std::string error;      // why nothing came back
};

// `fields`: part name -> text; `files`: part name -> path of the file sent
// under its base name as application/octet-stream. All UTF-8. Only http and
// https addresses are used; redirects are not followed.
MultipartPostResult PostMultipart(const std::string& url, const std::map<std::string, std::string>& fields,
                                  const std::map<std::string, std::string>& files);

}  // namespace google_breakpad
