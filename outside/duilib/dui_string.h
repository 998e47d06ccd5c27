#pragma once
// The toolkit's text: UTF-16, the wide text of Windows.

#include <string>
#include <string_view>

#include "outside/duilib/win_defs.h"

namespace DuiLib {

class CDuiString {
 public:
  CDuiString() = default;
  CDuiString(LPCTSTR text) : text_(text != nullptr ? text : u"") {}  // NOLINT: implicit by design
  CDuiString(std::u16string_view text) : text_(text) {}               // NOLINT
  CDuiString(std::u16string text) : text_(std::move(text)) {}         // NOLINT

  LPCTSTR GetData() const { return text_.c_str(); }
  operator LPCTSTR() const { return text_.c_str(); }  // NOLINT
  const std::u16string& str() const { return text_; }
  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }

  bool operator==(const CDuiString& other) const { return text_ == other.text_; }
  bool operator==(LPCTSTR other) const { return text_ == (other != nullptr ? other : u""); }

 private:
  std::u16string text_;
};

}  // namespace DuiLib
