#include "tools/veskaroom/upload_fields.h"

#include "platform/text.h"

ParsedUpload ParseUploadFields(const std::string& text) {
  ParsedUpload parsed;
  std::size_t start = 0;
  std::size_t index = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string pair = text.substr(start, end - start);
    start = end + 1;
    const std::size_t equals = pair.find('=');
    if (equals == std::string::npos) {
      parsed.error = "\"" + pair + "\" is not name=value";
      return parsed;
    }
    const std::string name = pair.substr(0, equals);
    const std::string value = pair.substr(equals + 1);
    if (index == 0) {
      if (name != "log") {
        parsed.error = "the first field must be log=<log file name>";
        return parsed;
      }
      parsed.log_name = value;
    }
    if (!google_breakpad::SetUploadEntry(parsed.payload, index, platform::Utf8ToUtf16(name),
                                         platform::Utf8ToUtf16(value))) {
      parsed.error = "field \"" + name + "\" does not fit the upload request";
      return parsed;
    }
    ++index;
  }
  return parsed;
}
