#include "app/settings_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <optional>

#include "base/atomic_file.h"
#include "base/hex.h"
#include "base/unique_fd.h"

namespace pontavi {
namespace {

// ---- names

std::string_view CutAtNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

// "\A\\B\" -> "A\B": empty parts name nothing, as with registry key paths.
std::string NormalizeSection(std::string_view section) {
    section = CutAtNul(section);
    std::string out;
    std::size_t start = 0;
    while (start <= section.size()) {
        std::size_t end = std::min(section.find('\\', start), section.size());
        if (end > start) {
            if (!out.empty()) {
                out += '\\';
            }
            out.append(section.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

bool IsBelow(const std::string& candidate, const std::string& section) {
    if (section.empty()) {
        return true;
    }
    return candidate == section ||
           (candidate.size() > section.size() && candidate.starts_with(section) &&
            candidate[section.size()] == '\\');
}

// ---- integers

std::optional<int> ParseHex(std::string_view digits) {
    std::uint64_t value = 0;
    for (char c : digits) {
        int d = HexDigitValue(c);
        if (d < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint64_t>(d);
        if (value > 0xFFFFFFFFu) {
            return std::nullopt;
        }
    }
    // Eight hex digits cover the whole 32-bit pattern, so 0xFFFFFFFF is -1.
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

std::optional<int> ParseInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return ParseHex(text.substr(2));
    }
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) {
            return std::nullopt;
        }
    }
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// ---- quoting

// The two-character escapes; nullptr for bytes written as they are or as \xHH.
const char* ShortEscape(char c) {
    switch (c) {
        case '\\':
            return "\\\\";
        case '"':
            return "\\\"";
        case '\0':
            return "\\0";
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
        default:
            return nullptr;
    }
}

void AppendQuoted(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (const char* escape = ShortEscape(ch)) {
            out += escape;
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    out += '"';
}

std::optional<char> Unescape(std::string_view in, std::size_t& pos) {
    if (pos >= in.size()) {
        return std::nullopt;
    }
    char e = in[pos++];
    switch (e) {
        case '\\':
            return '\\';
        case '"':
            return '"';
        case '0':
            return '\0';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'x': {
            if (pos + 2 > in.size() || HexDigitValue(in[pos]) < 0 ||
                HexDigitValue(in[pos + 1]) < 0) {
                return std::nullopt;
            }
            int v = HexDigitValue(in[pos]) * 16 + HexDigitValue(in[pos + 1]);
            pos += 2;
            return static_cast<char>(v);
        }
        default:
            return std::nullopt;
    }
}

// Reads a quoted text starting at in[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> ReadQuoted(std::string_view in, std::size_t& pos) {
    if (pos >= in.size() || in[pos] != '"') {
        return std::nullopt;
    }
    ++pos;
    std::string out;
    while (pos < in.size()) {
        char c = in[pos++];
        if (c == '"') {
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        auto unescaped = Unescape(in, pos);
        if (!unescaped) {
            return std::nullopt;
        }
        out += *unescaped;
    }
    return std::nullopt;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

void SkipBlanks(std::string_view in, std::size_t& pos) {
    while (pos < in.size() && IsBlank(in[pos])) {
        ++pos;
    }
}

std::optional<std::string> ParseHeader(std::string_view line) {
    if (line.size() < 2 || line.back() != ']') {
        return std::nullopt;
    }
    std::string_view inner = line.substr(1, line.size() - 2);
    if (!inner.starts_with('"')) {
        return std::string(inner);
    }
    std::size_t pos = 0;
    auto name = ReadQuoted(inner, pos);
    if (!name || pos != inner.size()) {
        return std::nullopt;
    }
    return name;
}

// ---- files

[[noreturn]] void FailCreate() {
    throw SettingsError("Failed to create key " + std::string(kSettingsKey));
}

[[noreturn]] void FailSetData(const std::string& what) {
    throw SettingsError("Failed to set data for '" + what + "'");
}

}  // namespace

bool SettingsStore::PathLess::operator()(const std::string& a, const std::string& b) const {
    auto rank = [](char c) { return c == '\\' ? 0 : static_cast<unsigned char>(c) + 1; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return rank(x) < rank(y); });
}

SettingsStore::SettingsStore(std::string filePath) : filePath_(std::move(filePath)) {}

// ---- file

void SettingsStore::load() {
    UniqueFd fd(::open(filePath_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT) {
            sections_.clear();
            return;
        }
        FailCreate();
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            FailCreate();
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    loadFromText(text);
}

bool SettingsStore::save(bool secret) const {
    const auto saved =
        SaveFileAtomically(filePath_, toText(), {.secret = secret, .createFolders = true});
    switch (saved.error) {
        case AtomicSaveError::None:
            break;
        case AtomicSaveError::Folder:
        case AtomicSaveError::TempFile:
            FailCreate();
        case AtomicSaveError::Write:
        case AtomicSaveError::Rename:
            FailSetData(filePath_);
    }
    return saved.tightened;
}

// ---- text

void SettingsStore::loadFromText(std::string_view text) {
    sections_.clear();
    std::string current;
    bool inSection = false;
    while (!text.empty()) {
        std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        parseLine(Trim(line), current, inSection);
    }
}

void SettingsStore::parseLine(std::string_view line, std::string& currentSection, bool& inSection) {
    if (line.empty() || line[0] == ';' || line[0] == '#') {
        return;
    }
    if (line[0] == '[') {
        auto name = ParseHeader(line);
        if (name) {
            currentSection = NormalizeSection(*name);
            inSection = true;
            sections_[currentSection];
        }
        return;
    }
    std::size_t pos = 0;
    auto name = ReadQuoted(line, pos);
    if (!name || !inSection) {
        return;
    }
    SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') {
        return;
    }
    ++pos;
    SkipBlanks(line, pos);
    if (pos < line.size() && line[pos] == '"') {
        auto data = ReadQuoted(line, pos);
        if (data && pos == line.size()) {
            put(currentSection, *name, Value{{}, std::move(*data), true});
        }
    } else if (pos < line.size()) {
        put(currentSection, *name, Value{{}, std::string(line.substr(pos)), false});
    }
}

std::string SettingsStore::toText() const {
    std::string out = "; Pontavi settings (key " + std::string(kSettingsKey) + ")\n";
    for (const auto& [name, section] : sections_) {
        out += "\n[";
        AppendQuoted(out, name);
        out += "]\n";
        for (const Value& v : section.values) {
            AppendQuoted(out, v.name);
            out += '=';
            if (v.isText) {
                AppendQuoted(out, v.data);
            } else {
                out += v.data;
            }
            out += '\n';
        }
    }
    return out;
}

// ---- values

const SettingsStore::Value* SettingsStore::find(std::string_view section,
                                                std::string_view name) const {
    auto it = sections_.find(NormalizeSection(section));
    if (it == sections_.end()) {
        return nullptr;
    }
    name = CutAtNul(name);
    for (const Value& v : it->second.values) {
        if (v.name == name) {
            return &v;
        }
    }
    return nullptr;
}

void SettingsStore::put(std::string_view section, std::string_view name, Value value) {
    value.name = std::string(CutAtNul(name));
    auto& values = sections_[NormalizeSection(section)].values;
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const Value& v) { return v.name == value.name; });
    if (it != values.end()) {
        *it = std::move(value);
    } else {
        values.push_back(std::move(value));
    }
}

std::optional<std::string_view> SettingsStore::textOf(std::string_view section,
                                                      std::string_view name) const {
    const Value* v = find(section, name);
    if (v == nullptr) {
        return std::nullopt;
    }
    if (!v->isText) {
        throw SettingsError("Invalid data type for '" + v->name + "'");
    }
    return CutAtNul(v->data);
}

std::string SettingsStore::ReadString(std::string_view section, std::string_view name,
                                      std::string_view defaultValue) const {
    return std::string(textOf(section, name).value_or(defaultValue));
}

int SettingsStore::ReadInteger(std::string_view section, std::string_view name,
                               int defaultValue) const {
    auto t = textOf(section, name);
    return t ? ParseInteger(*t).value_or(defaultValue) : defaultValue;
}

bool SettingsStore::ReadBool(std::string_view section, std::string_view name,
                             bool defaultValue) const {
    return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

void SettingsStore::WriteString(std::string_view section, std::string_view name,
                                std::string_view value) {
    put(section, name, Value{{}, std::string(value), true});
}

void SettingsStore::WriteInteger(std::string_view section, std::string_view name, int value) {
    WriteString(section, name, std::to_string(value));
}

void SettingsStore::WriteBool(std::string_view section, std::string_view name, bool value) {
    WriteString(section, name, value ? "1" : "0");
}

// ---- sections

bool SettingsStore::NamesASection(std::string_view section) {
    return !NormalizeSection(section).empty();
}

void SettingsStore::EraseSection(std::string_view section) {
    const std::string key = NormalizeSection(section);
    if (key.empty()) {
        return;
    }
    std::erase_if(sections_, [&](const auto& entry) { return IsBelow(entry.first, key); });
}

std::vector<std::string> SettingsStore::ValueNames(std::string_view section) const {
    std::vector<std::string> names;
    auto it = sections_.find(NormalizeSection(section));
    if (it != sections_.end()) {
        for (const Value& v : it->second.values) {
            names.push_back(v.name);
        }
    }
    return names;
}

bool SettingsStore::SectionExists(std::string_view section) const {
    const std::string key = NormalizeSection(section);
    auto it = sections_.lower_bound(key);
    return it != sections_.end() && IsBelow(it->first, key);
}

std::vector<std::string> SettingsStore::SectionNames() const {
    std::vector<std::string> names;
    for (const auto& entry : sections_) {
        names.push_back(entry.first);
    }
    return names;
}

}  // namespace pontavi
