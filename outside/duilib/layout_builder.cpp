#include "outside/duilib/layout_builder.h"

#include <glib.h>

#include <vector>

#include "outside/duilib/ui_button.h"
#include "outside/duilib/ui_container.h"
#include "outside/duilib/ui_label.h"
#include "outside/duilib/ui_list.h"
#include "outside/duilib/ui_progress.h"
#include "platform/text.h"

namespace DuiLib {
namespace {

struct Parse {
  IDialogBuilderCallback* callback = nullptr;
  TWindowLayout layout;
  bool in_window = false;
  bool window_seen = false;
  // Open elements: the control each one made, or null for Window and Font.
  std::vector<CControlUI*> open;
};

void Fail(GError** error, const std::string& message) {
  g_set_error(error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT, "%s", message.c_str());
}

CControlUI* MakeControl(std::string_view element, IDialogBuilderCallback* callback) {
  if (element == "Control") return new CControlUI;
  if (element == "Label") return new CLabelUI;
  if (element == "Button") return new CButtonUI;
  if (element == "Progress") return new CProgressUI;
  if (element == "List") return new CListUI;
  if (element == "VerticalLayout") return new CVerticalLayoutUI;
  if (element == "HorizontalLayout") return new CHorizontalLayoutUI;
  if (callback != nullptr) {
    const std::u16string name = platform::Utf8ToUtf16(element);
    return callback->CreateControl(name.c_str());
  }
  return nullptr;
}

bool ApplyWindowAttribute(TWindowLayout& layout, std::u16string_view name, std::u16string_view value) {
  if (name == u"size") return ParseSize(value, layout.size);
  if (name == u"caption") return ParseInt(value, layout.caption_height) && layout.caption_height >= 0;
  if (name == u"layered") return ParseBool(value, layout.layered);
  return false;
}

bool ApplyFontAttribute(TFontInfo& font, int& id, bool& is_default, std::u16string_view name,
                        std::u16string_view value) {
  if (name == u"id") return ParseInt(value, id) && id >= 0;
  if (name == u"name") {
    font.family = platform::Utf16ToUtf8(value);
    return !font.family.empty();
  }
  if (name == u"size") return ParseInt(value, font.size) && font.size > 0;
  if (name == u"bold") return ParseBool(value, font.bold);
  if (name == u"underline") return ParseBool(value, font.underline);
  if (name == u"italic") return ParseBool(value, font.italic);
  if (name == u"default") return ParseBool(value, is_default);
  return false;
}

std::string BadAttribute(const char* element, const char* name, const char* value) {
  return std::string("<") + element + ">: attribute " + name + "=\"" + value + "\" is unknown or malformed";
}

void StartElement(GMarkupParseContext*, const gchar* element, const gchar** names, const gchar** values,
                  gpointer data, GError** error) {
  auto& parse = *static_cast<Parse*>(data);
  const std::string_view tag(element);

  if (tag == "Window") {
    if (parse.window_seen) return Fail(error, "<Window> must be the one outermost element");
    parse.window_seen = parse.in_window = true;
    for (int i = 0; names[i] != nullptr; ++i) {
      if (!ApplyWindowAttribute(parse.layout, platform::Utf8ToUtf16(names[i]), platform::Utf8ToUtf16(values[i]))) {
        return Fail(error, BadAttribute(element, names[i], values[i]));
      }
    }
    parse.open.push_back(nullptr);
    return;
  }
  if (!parse.in_window) return Fail(error, "the layout must start with <Window>");
  if (parse.open.empty()) return Fail(error, "nothing may follow </Window>");

  if (tag == "Font") {
    if (parse.open.size() != 1) return Fail(error, "<Font> belongs directly in <Window>");
    TFontInfo font;
    int id = -1;
    bool is_default = false;
    for (int i = 0; names[i] != nullptr; ++i) {
      if (!ApplyFontAttribute(font, id, is_default, platform::Utf8ToUtf16(names[i]),
                              platform::Utf8ToUtf16(values[i]))) {
        return Fail(error, BadAttribute(element, names[i], values[i]));
      }
    }
    if (id < 0) return Fail(error, "<Font> needs an id");
    parse.layout.fonts[id] = font;
    if (is_default || parse.layout.default_font < 0) parse.layout.default_font = id;
    parse.open.push_back(nullptr);
    return;
  }

  CControlUI* control = MakeControl(tag, parse.callback);
  if (control == nullptr) return Fail(error, "<" + std::string(tag) + "> is no known control");
  std::unique_ptr<CControlUI> owned(control);
  for (int i = 0; names[i] != nullptr; ++i) {
    if (!control->ApplyAttribute(platform::Utf8ToUtf16(names[i]), platform::Utf8ToUtf16(values[i]))) {
      return Fail(error, BadAttribute(element, names[i], values[i]));
    }
  }
  if (parse.open.size() == 1) {
    if (parse.layout.root) return Fail(error, "<Window> holds one control; put the others inside it");
    parse.layout.root = std::move(owned);
  } else {
    auto* container = dynamic_cast<CContainerUI*>(parse.open.back());
    if (container == nullptr) return Fail(error, "<" + std::string(tag) + "> must be inside a layout");
    container->Add(owned.release());
  }
  parse.open.push_back(control);
}

void EndElement(GMarkupParseContext*, const gchar*, gpointer data, GError**) {
  auto& parse = *static_cast<Parse*>(data);
  if (!parse.open.empty()) parse.open.pop_back();
}

// Only white space may stand between elements.
void Text(GMarkupParseContext*, const gchar* text, gsize length, gpointer, GError** error) {
  for (gsize i = 0; i < length; ++i) {
    if (!g_ascii_isspace(text[i])) return Fail(error, "text outside an attribute");
  }
}

}  // namespace

std::optional<TWindowLayout> CDialogBuilder::Build(std::string_view xml, IDialogBuilderCallback* callback,
                                                   std::string& error) {
  Parse parse;
  parse.callback = callback;
  const GMarkupParser parser{&StartElement, &EndElement, &Text, nullptr, nullptr};
  GMarkupParseContext* context =
      g_markup_parse_context_new(&parser, G_MARKUP_TREAT_CDATA_AS_TEXT, &parse, nullptr);
  GError* failure = nullptr;
  const bool parsed = g_markup_parse_context_parse(context, xml.data(), static_cast<gssize>(xml.size()), &failure) &&
                      g_markup_parse_context_end_parse(context, &failure);
  if (!parsed) {
    int line = 0;
    int column = 0;
    g_markup_parse_context_get_position(context, &line, &column);
    error = "line " + std::to_string(line) + ": " + (failure != nullptr ? failure->message : "malformed");
    g_clear_error(&failure);
    g_markup_parse_context_free(context);
    return std::nullopt;
  }
  g_markup_parse_context_free(context);
  if (!parse.layout.root) {
    error = "the layout has no control";
    return std::nullopt;
  }
  if (parse.layout.size.cx <= 0 || parse.layout.size.cy <= 0) {
    error = "<Window> needs a size";
    return std::nullopt;
  }
  return std::move(parse.layout);
}

}  // namespace DuiLib
