// initfile: the settings of one option file, held in memory.
#pragma once

#include <map>
#include <string>
#include <string_view>

// An option file holds lines "NAME=value" ended by CR LF. Names are
// case-insensitive (held trimmed and upper-cased), values are text. The whole
// file is read by Load and rewritten by Save; an object that was changed
// rewrites its file when destroyed.
class initfile {
public:
    // Values read from a file are cut to this many characters after the "=";
    // option values are short words and paths.
    static constexpr std::size_t kMaxValueLength = 1000;
    static constexpr std::string_view kExtension = ".INI";

    // `path` is used as given when it ends in ".ini" in any case; otherwise
    // ".INI" is appended. Nothing is read yet. A null path counts as empty.
    explicit initfile(std::string_view path);
    explicit initfile(const char* path);
    ~initfile(); // Save() when anything was stored
    initfile(const initfile&) = delete;
    initfile& operator=(const initfile&) = delete;

    // Uses the plain form from now on, then Load().
    bool LoadPlain();
    // Reads the file into the settings: false when the file does not exist,
    // true otherwise. Names the file holds replace earlier values; other
    // settings stay.
    bool Load();
    // Uses the keyed (DES) form with the first 8 characters of `key`; false,
    // key unchanged, when it is shorter than 8.
    bool SetKey(std::string_view key);

    // True and `value` set when `name` is present; `value` untouched otherwise.
    bool GetString(std::string_view name, std::string& value) const;
    // True when `name` is present and its value is TRUE or FALSE (any case,
    // blanks around ignored); `value` untouched otherwise.
    bool GetBool(std::string_view name, bool& value) const;
    // Stores `value` as given under `name`. False, nothing stored, when the
    // pair could not be read back from the file: a name holding "=" or a
    // name or value holding CR LF.
    bool SetString(std::string_view name, std::string_view value);
    // SetString of "true" or "false".
    bool SetBool(std::string_view name, bool value);
    // Rewrites the file: one line per setting with a non-empty value, in byte
    // order of the names. False when the file could not be written or a line
    // did not fit the write buffer.
    bool Save();

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    std::string key_; // empty: plain form
    bool dirty_ = false;
    std::map<std::string, std::string> entries_; // byte order of names
};
