#pragma once

// The per-user settings: sections of named text values kept in one text file.
//
// File format (one item per line, lines end with LF; CR before LF is ignored):
//
//   ; comment (also lines starting with '#'); blank lines are ignored
//   ["Options"]                   a section header; the name is a quoted text
//   ["Servers\\Home"]             backslash separates nested sections
//   "AppsDelay"="5"               a text value: quoted name = quoted text
//   "Legacy"=dword:0000001f       any other right-hand side is a value of
//                                 another type: kept and rewritten verbatim,
//                                 but it cannot be read as text
//
// Quoted texts use backslash escapes: \\ \" \0 \n \r \t and \xHH (two hex
// digits) for any other byte; the writer escapes every byte below 0x20 and
// 0x7F, and writes all other bytes as they are. A hand-written header may also
// be unquoted ([Options]); its name is then taken literally.
//
// Lines that do not fit this format are skipped, so a damaged file still loads
// everything that can be understood. Values before the first header are skipped
// too. The writer puts sections in name order (a nested section right after its
// parent) and the values of a section in the order they were first written, so
// saving the same settings twice gives the same bytes.
//
// Section names are paths: empty parts are dropped ("A\\\\B" and "\\A\\B\\" both
// name "A\\B"). Names and section names end at their first NUL; value texts may
// hold NUL bytes, but reading one as text stops at the first NUL.

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pontavi {

// Every failure of the store; the message is meant for the user.
class SettingsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The key path every message about the store names.
inline constexpr std::string_view kSettingsKey = "Software\\Pontavi";

class SettingsStore {
  public:
    explicit SettingsStore(std::string filePath);

    const std::string& filePath() const { return filePath_; }

    // Replaces the contents with the file's; a missing file gives an empty store.
    // Throws SettingsError when the file exists but cannot be read.
    void load();
    // Writes the whole store to a temporary file beside the target, flushes it to
    // disk and renames it over the target, so the previous file survives any
    // failure or crash. Creates missing folders (mode 0700); a new file is 0600, a replaced one
    // keeps its mode, without group and other permissions when `secret` (a password is kept).
    // Returns true when that took permissions away. Throws SettingsError("Failed to create key
    // Software\Pontavi") when the folder or temporary file cannot be created, and
    // SettingsError("Failed to set data for '<file>'") when writing fails.
    bool save(bool secret = false) const;

    // The file contents without touching the disk (for tests and fuzzing).
    void loadFromText(std::string_view text);
    std::string toText() const;

    // Reading text: the default when the value is missing; throws
    // SettingsError("Invalid data type for 'NAME'") for a value of another type.
    std::string ReadString(std::string_view section, std::string_view name,
                           std::string_view defaultValue) const;
    // "0x1F"/"0X1F" (more than two characters) is hexadecimal, anything else
    // decimal; a text that is not a number in the int range gives the default.
    int ReadInteger(std::string_view section, std::string_view name, int defaultValue) const;
    // Read as an integer with the default 1 or 0; non-zero is true.
    bool ReadBool(std::string_view section, std::string_view name, bool defaultValue) const;

    // Each write creates the section when missing; rewriting a value keeps its
    // place among the section's values.
    void WriteString(std::string_view section, std::string_view name, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view name, int value);
    void WriteBool(std::string_view section, std::string_view name, bool value);

    // Removes the section and every section below it. A name that names no
    // section (empty, or only backslashes) erases nothing: it would otherwise
    // stand for the root and take every section with it.
    void EraseSection(std::string_view section);
    static bool NamesASection(std::string_view section);
    // The section's value names in the order they were written.
    std::vector<std::string> ValueNames(std::string_view section) const;
    // True when the section, or a section below it, exists.
    bool SectionExists(std::string_view section) const;
    // Every section, in file order.
    std::vector<std::string> SectionNames() const;

    friend bool operator==(const SettingsStore& a, const SettingsStore& b) {
        return a.sections_ == b.sections_;
    }

  private:
    struct Value {
        std::string name;
        std::string data;  // the text, or the verbatim right-hand side when !isText
        bool isText = true;
        bool operator==(const Value&) const = default;
    };
    struct Section {
        std::vector<Value> values;
        bool operator==(const Section&) const = default;
    };
    // Orders paths part by part, so "A\B" follows "A" and precedes "A B".
    struct PathLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };

    const Value* find(std::string_view section, std::string_view name) const;
    // The value's text up to its first NUL; nullopt when missing; throws for a
    // value of another type.
    std::optional<std::string_view> textOf(std::string_view section, std::string_view name) const;
    void put(std::string_view section, std::string_view name, Value value);
    void parseLine(std::string_view line, std::string& currentSection, bool& inSection);

    std::string filePath_;
    std::map<std::string, Section, PathLess> sections_;
};

}  // namespace pontavi
