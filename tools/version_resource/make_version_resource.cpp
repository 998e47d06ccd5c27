// Writes a VS_VERSIONINFO block, the version resource Windows keeps in a
// module (RT_VERSION), for one of our own modules (--help tells how). The
// block carries the fixed file information, one string table in US English,
// Unicode (040904B0), and its translation.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/command_line/tool_command_line.h"

namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedStructVersion = 0x00010000;
constexpr std::uint32_t kFlagsMask = 0x3F;
constexpr std::uint32_t kOsNtWindows32 = 0x00040004;
constexpr std::uint32_t kTypeApp = 1;
constexpr std::uint32_t kTypeDll = 2;
constexpr std::uint16_t kBinaryValue = 0;
constexpr std::uint16_t kTextValue = 1;

constexpr const char* kCompany = "Veska";
constexpr const char* kProduct = "Veska classroom desktop";

class Block {
 public:
  void U16(std::uint16_t v) {
    bytes_.push_back(static_cast<char>(v & 0xFF));
    bytes_.push_back(static_cast<char>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  // ASCII text as UTF-16 with its terminator.
  void Text(const std::string& text) {
    for (unsigned char c : text) U16(c);
    U16(0);
  }
  void Align() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  void Append(const Block& other) { bytes_ += other.bytes_; }
  std::size_t size() const { return bytes_.size(); }
  const std::string& bytes() const { return bytes_; }
  void SetU16At(std::size_t at, std::uint16_t v) {
    bytes_[at] = static_cast<char>(v & 0xFF);
    bytes_[at + 1] = static_cast<char>(v >> 8);
  }

 private:
  std::string bytes_;
};

// One node: length, value length, type, key, value, children, each part
// aligned to 4 bytes; the length covers the node without trailing padding.
Block Node(const std::string& key, std::uint16_t type, std::uint16_t value_length, const Block& value,
           const std::vector<Block>& children) {
  Block node;
  node.U16(0);
  node.U16(value_length);
  node.U16(type);
  node.Text(key);
  node.Align();
  node.Append(value);
  for (const Block& child : children) {
    node.Align();
    node.Append(child);
  }
  node.SetU16At(0, static_cast<std::uint16_t>(node.size()));
  return node;
}

Block String(const std::string& key, const std::string& value) {
  Block text;
  text.Text(value);
  return Node(key, kTextValue, static_cast<std::uint16_t>(value.size() + 1), text, {});
}

// Up to four dot-separated numbers of 0 to 65535; missing parts are 0.
std::optional<std::vector<std::uint16_t>> Parts(const std::string& version) {
  std::vector<std::uint16_t> parts;
  std::stringstream in(version);
  for (std::string part; std::getline(in, part, '.');) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (error != std::errc() || end != part.data() + part.size() || value > 0xFFFF || parts.size() == 4) {
      return std::nullopt;
    }
    parts.push_back(static_cast<std::uint16_t>(value));
  }
  while (parts.size() < 4) parts.push_back(0);
  return parts;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out;
  std::string version;
  std::string kind = "dll";
  std::string description;
  std::string original_name;
  CLI::App app("Writes the version resource (VS_VERSIONINFO) of one of our own modules.",
               "veska_make_version_resource");
  app.add_option("--output", out, "file to write")->required();
  app.add_option("--version", version, "major.minor.build.revision (missing parts are 0)")->required();
  app.add_option("--type", kind, "app or dll (default dll)")->check(CLI::IsMember({"app", "dll"}));
  app.add_option("--description", description, "the FileDescription text")->required();
  app.add_option("--original-name", original_name, "the OriginalFilename text")->required();
  if (const auto exit_code = ParseToolCommandLine(app, argc, argv)) return *exit_code;

  const auto parts = Parts(version);
  if (!parts) {
    std::fprintf(stderr, "veska_make_version_resource: --version %s is not major.minor.build.revision\n",
                 version.c_str());
    return kExitBadCommandLine;
  }
  const auto& v = *parts;
  const std::string dotted = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
                             std::to_string(v[3]);

  Block fixed;
  fixed.U32(kFixedSignature);
  fixed.U32(kFixedStructVersion);
  for (int twice = 0; twice < 2; ++twice) {  // file version, then product version
    fixed.U32((std::uint32_t{v[0]} << 16) | v[1]);
    fixed.U32((std::uint32_t{v[2]} << 16) | v[3]);
  }
  fixed.U32(kFlagsMask);
  fixed.U32(0);
  fixed.U32(kOsNtWindows32);
  fixed.U32(kind == "app" ? kTypeApp : kTypeDll);
  fixed.U32(0);
  fixed.U32(0);
  fixed.U32(0);

  const Block table = Node("040904B0", kTextValue, 0, {},
                           {String("CompanyName", kCompany), String("FileDescription", description),
                            String("FileVersion", dotted), String("InternalName", original_name),
                            String("OriginalFilename", original_name), String("ProductName", kProduct),
                            String("ProductVersion", dotted)});
  Block translation;
  translation.U16(0x0409);
  translation.U16(0x04B0);
  const Block var_file_info =
      Node("VarFileInfo", kTextValue, 0, {}, {Node("Translation", kBinaryValue, 4, translation, {})});
  const Block root = Node("VS_VERSION_INFO", kBinaryValue, static_cast<std::uint16_t>(fixed.size()), fixed,
                          {Node("StringFileInfo", kTextValue, 0, {}, {table}), var_file_info});

  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  file.write(root.bytes().data(), static_cast<std::streamsize>(root.size()));
  if (!file) {
    std::fprintf(stderr, "veska_make_version_resource: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
