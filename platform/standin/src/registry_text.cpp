#include "registry_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace standin {

namespace {

constexpr std::string_view kHeader = "vellora-registry 1";
constexpr std::string_view kNextId = "next-id ";
constexpr std::string_view kEnd = "end";
constexpr char kHexDigits[] = "0123456789abcdef";

// ---- Writing ----

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

void AppendHex(std::string& out, const std::vector<BYTE>& data) {
  if (data.empty()) {
    out += '-';
  }
  for (BYTE byte : data) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
  }
}

// Text with exactly one terminator, at its end.
bool IsPlainText(const std::vector<BYTE>& data) {
  return !data.empty() && data.back() == 0 && std::find(data.begin(), data.end(), 0) == data.end() - 1;
}

void AppendValue(std::string& out, const RegistryValue& value, size_t indent) {
  out.append(indent, ' ');
  out += "value ";
  AppendQuoted(out, value.name);
  if (value.type == REG_SZ && IsPlainText(value.data)) {
    out += " sz ";
    AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
  } else if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
    DWORD number = 0;
    std::memcpy(&number, value.data.data(), sizeof(number));
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08x", static_cast<unsigned>(number));
    out += " dword ";
    out += text;
  } else if (value.type == REG_BINARY) {
    out += " binary ";
    AppendHex(out, value.data);
  } else {
    out += " type ";
    out += std::to_string(value.type);
    out += ' ';
    AppendHex(out, value.data);
  }
  out += '\n';
}

void AppendKey(std::string& out, const RegistryKey& key, size_t depth) {
  out.append(2 * (depth - 1), ' ');
  out += "key ";
  out += std::to_string(key.id());
  out += ' ';
  AppendQuoted(out, key.name());
  out += '\n';
  for (const RegistryValue& value : key.values()) {
    AppendValue(out, value, 2 * depth);
  }
  for (const auto& subkey : key.subkeys()) {
    AppendKey(out, *subkey, depth + 1);
  }
}

// ---- Reading ----

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// One line, taken apart from left to right. Each step answers false, and
// consumes nothing useful, when the text is not what it expects.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : rest_(line) {}

  size_t Indent() {
    const size_t spaces = std::min(rest_.find_first_not_of(' '), rest_.size());
    rest_.remove_prefix(spaces);
    return spaces;
  }

  // `word` and the single space after it.
  bool Word(std::string_view word) {
    if (rest_.size() <= word.size() || rest_.substr(0, word.size()) != word || rest_[word.size()] != ' ') {
      return false;
    }
    rest_.remove_prefix(word.size() + 1);
    return true;
  }

  bool Space() { return Take(' '); }
  bool AtEnd() const { return rest_.empty(); }

  // Decimal digits without a leading zero (but "0").
  bool Decimal(std::uint64_t* number) {
    size_t digits = 0;
    std::uint64_t value = 0;
    while (digits < rest_.size() && rest_[digits] >= '0' && rest_[digits] <= '9') {
      const unsigned digit = static_cast<unsigned>(rest_[digits] - '0');
      if (value > (UINT64_MAX - digit) / 10) {
        return false;
      }
      value = value * 10 + digit;
      ++digits;
    }
    if (digits == 0 || (digits > 1 && rest_[0] == '0')) {
      return false;
    }
    rest_.remove_prefix(digits);
    *number = value;
    return true;
  }

  bool Quoted(std::string* text) {
    text->clear();
    if (!Take('"')) {
      return false;
    }
    while (!rest_.empty()) {
      const char c = rest_.front();
      const unsigned char byte = static_cast<unsigned char>(c);
      rest_.remove_prefix(1);
      if (c == '"') {
        return true;
      }
      if (byte < 0x20 || byte == 0x7F) {
        return false;
      }
      if (c != '\\') {
        *text += c;
      } else if (Take('\\')) {
        *text += '\\';
      } else if (Take('"')) {
        *text += '"';
      } else if (Take('x') && rest_.size() >= 2 && HexDigit(rest_[0]) >= 0 && HexDigit(rest_[1]) >= 0) {
        *text += static_cast<char>(HexDigit(rest_[0]) * 16 + HexDigit(rest_[1]));
        rest_.remove_prefix(2);
      } else {
        return false;
      }
    }
    return false;
  }

  // Pairs of hex digits up to the end of the line, or "-" for none.
  bool HexToEnd(std::vector<BYTE>* data) {
    data->clear();
    if (rest_ == "-") {
      rest_ = {};
      return true;
    }
    if (rest_.empty() || rest_.size() % 2 != 0) {
      return false;
    }
    for (size_t at = 0; at < rest_.size(); at += 2) {
      const int high = HexDigit(rest_[at]);
      const int low = HexDigit(rest_[at + 1]);
      if (high < 0 || low < 0) {
        return false;
      }
      data->push_back(static_cast<BYTE>(high * 16 + low));
    }
    rest_ = {};
    return true;
  }

  // "0x" and exactly eight hex digits up to the end of the line.
  bool DwordToEnd(DWORD* number) {
    if (rest_.size() != 10 || rest_.substr(0, 2) != "0x") {
      return false;
    }
    DWORD value = 0;
    for (size_t at = 2; at < rest_.size(); ++at) {
      const int digit = HexDigit(rest_[at]);
      if (digit < 0) {
        return false;
      }
      value = value * 16 + static_cast<DWORD>(digit);
    }
    rest_ = {};
    *number = value;
    return true;
  }

 private:
  bool Take(char c) {
    if (rest_.empty() || rest_.front() != c) {
      return false;
    }
    rest_.remove_prefix(1);
    return true;
  }

  std::string_view rest_;
};

bool IsKeyName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxKeyNameBytes && name.find('\\') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool IsValueName(const std::string& name) {
  return name.size() <= kMaxValueNameBytes && name.find('\0') == std::string::npos;
}

bool ParseValueData(LineReader& line, RegistryValue* value) {
  if (line.Word("sz")) {
    std::string text;
    if (!line.Quoted(&text) || text.find('\0') != std::string::npos) {
      return false;
    }
    value->type = REG_SZ;
    value->data.assign(text.begin(), text.end());
    value->data.push_back(0);
    return true;
  }
  if (line.Word("dword")) {
    DWORD number = 0;
    if (!line.DwordToEnd(&number)) {
      return false;
    }
    value->type = REG_DWORD;
    value->data.resize(sizeof(number));
    std::memcpy(value->data.data(), &number, sizeof(number));
    return true;
  }
  if (line.Word("binary")) {
    value->type = REG_BINARY;
    return line.HexToEnd(&value->data);
  }
  std::uint64_t type = 0;
  if (!line.Word("type") || !line.Decimal(&type) || type > UINT32_MAX || !line.Space()) {
    return false;
  }
  value->type = static_cast<DWORD>(type);
  return line.HexToEnd(&value->data);
}

// Builds the tree line by line. `open_` holds the key of the latest key line
// and its ancestors, the root first; a value line belongs to the last of
// them, and a key line closes the keys at and below its own level.
class TreeBuilder {
 public:
  explicit TreeBuilder(RegistryTree* tree) : tree_(tree) { open_.push_back(&tree->root()); }

  bool Line(std::string_view text) {
    LineReader line(text);
    const size_t indent = line.Indent();
    if (line.Word("key")) {
      return Key(line, indent);
    }
    if (line.Word("value")) {
      return Value(line, indent);
    }
    return false;
  }

 private:
  bool Key(LineReader& line, size_t indent) {
    std::uint64_t id = 0;
    std::string name;
    if (!line.Decimal(&id) || !line.Space() || !line.Quoted(&name) || !line.AtEnd() || !IsKeyName(name)) {
      return false;
    }
    const size_t depth = indent / 2 + 1;
    if (indent % 2 != 0 || depth > open_.size() || depth > kMaxKeyDepth) {
      return false;
    }
    if (id == RegistryTree::kRootId || id >= tree_->nextId() || !ids_.insert(id).second) {
      return false;
    }
    open_.resize(depth);
    RegistryKey* key = open_.back()->AddSubkey(std::move(name), id);
    if (key == nullptr) {
      return false;  // a second key of the same name
    }
    open_.push_back(key);
    return true;
  }

  bool Value(LineReader& line, size_t indent) {
    RegistryValue value;
    if (!line.Quoted(&value.name) || !line.Space() || !ParseValueData(line, &value) || !line.AtEnd() ||
        !IsValueName(value.name)) {
      return false;
    }
    RegistryKey* key = open_.back();
    if (indent != 2 * (open_.size() - 1) || key->FindValue(value.name) != nullptr) {
      return false;
    }
    key->SetValue(value.name, value.type, value.data.data(), value.data.size());
    return true;
  }

  RegistryTree* tree_;
  std::vector<RegistryKey*> open_;
  std::unordered_set<std::uint64_t> ids_;
};

// The next line without its newline; false when no whole line is left.
bool NextLine(std::string_view& text, std::string_view* line) {
  const size_t newline = text.find('\n');
  if (newline == std::string_view::npos) {
    return false;
  }
  *line = text.substr(0, newline);
  text.remove_prefix(newline + 1);
  return true;
}

}  // namespace

std::string FormatRegistry(const RegistryTree& tree) {
  std::string out(kHeader);
  out += '\n';
  out += kNextId;
  out += std::to_string(tree.nextId());
  out += '\n';
  for (const RegistryValue& value : tree.root().values()) {
    AppendValue(out, value, 0);
  }
  for (const auto& key : tree.root().subkeys()) {
    AppendKey(out, *key, 1);
  }
  out += kEnd;
  out += '\n';
  return out;
}

bool ParseRegistry(std::string_view text, RegistryTree* tree) {
  std::string_view line;
  if (!NextLine(text, &line) || line != kHeader || !NextLine(text, &line) ||
      line.substr(0, kNextId.size()) != kNextId) {
    return false;
  }
  LineReader next(line.substr(kNextId.size()));
  std::uint64_t nextId = 0;
  if (!next.Decimal(&nextId) || !next.AtEnd() || nextId == 0) {
    return false;
  }
  tree->setNextId(nextId);
  TreeBuilder builder(tree);
  while (NextLine(text, &line)) {
    if (line == kEnd) {
      return text.empty();
    }
    if (!builder.Line(line)) {
      return false;
    }
  }
  return false;  // cut before the end line
}

}  // namespace standin
