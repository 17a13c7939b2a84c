// GeneralOption: one setting as the options dialog sees it.
#pragma once

#include <cstdint>
#include <string>

// What kind of value an option edits; the numbers are fixed.
enum class OptionKind : std::uint8_t {
    Unset = 0,
    String = 1,
    Directory = 2,
    File = 3,
    Boolean = 4,
};

// Describes one option: its key in the option file, the text shown for it,
// and the program variable it edits. The record owns its two strings but not
// the variables it points at; those belong to the caller and must outlive the
// record. Copies share the pointed-at variables.
class GeneralOption {
public:
    OptionKind kind = OptionKind::Unset;
    std::string name;            // key in the option file
    std::string description;     // text shown in the dialog's first column
    bool* flag = nullptr;        // variable of a Boolean option; null otherwise
    std::string* text = nullptr; // variable of a String/Directory/File option

    // Turns this record into a Boolean option editing *flag.
    void MakeBooleanOption(std::string optionName, std::string optionDescription, bool* optionFlag);
};
