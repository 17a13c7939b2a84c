// Fuzz target: the option store (initfile over LineData), plain and keyed.
//
// The first input byte picks the form; a keyed input then gives the 8 key
// characters. The rest is an option file, read by LineData line by line
// (the lines with their ends must give back the file) and loaded by
// initfile. The loaded settings are saved and loaded again: when Save
// reports success the second load must give the same settings. Finally the
// saved file is read as plain text, raw bytes written through LineData must
// read back, and names from the file are stored and fetched.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "harness.h"
#include "options/initfile.h"
#include "options/line_data.h"

namespace {

// Reads every line of path through LineData.
std::vector<std::string> Lines(const std::string& path, std::string_view key) {
    LineData reader(path);
    if (!key.empty()) fuzz::Check(reader.SetKey(key), "usable key refused");
    reader.Open(true);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(line);
    fuzz::Check(!reader.ReadLine(line), "a line after the end");
    reader.Close();
    return lines;
}

// Every setting visible through GetString, for the names in `names`.
std::map<std::string, std::string> Settings(const initfile& file,
                                            const std::vector<std::string>& names) {
    std::map<std::string, std::string> settings;
    for (const std::string& name : names) {
        std::string value;
        if (file.GetString(name, value)) settings[name] = value;
        bool flag = false;
        if (file.GetBool(name, flag)) fuzz::Check(!value.empty(), "boolean from nothing");
    }
    return settings;
}

std::vector<std::string> NamesIn(const std::vector<std::string>& lines) {
    std::vector<std::string> names;
    for (const std::string& line : lines) {
        const std::size_t separator = line.find('=');
        if (separator != std::string::npos) names.push_back(line.substr(0, separator));
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const bool keyed = (input[0] & 1) != 0;
    input.remove_prefix(1);
    std::string key;
    if (keyed) {
        if (input.size() < LineData::kKeyLength) return 0;
        key.assign(input.substr(0, LineData::kKeyLength));
        input.remove_prefix(LineData::kKeyLength);
        if (!LineData::UsableKey(key)) return 0;
    }
    const std::string dir = fuzz::ScratchDir();
    const std::string path = dir + "/in.ini";
    const std::string copy = dir + "/copy.ini";
    fuzz::ClearScratch();
    fuzz::WriteFile(path, input);

    // Plain lines with their ends put back give the file again.
    const std::vector<std::string> lines = Lines(path, "");
    if (!keyed && input.size() <= LineData::kReadLimit) {
        std::string joined;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            joined += lines[i];
            if (i + 1 < lines.size() || input.ends_with("\r\n")) joined += "\r\n";
        }
        fuzz::Check(joined == input, "lines do not give back the file");
    }

    const std::vector<std::string> names = NamesIn(keyed ? Lines(path, key) : lines);
    std::map<std::string, std::string> loaded;
    {
        initfile first(path);
        if (keyed) fuzz::Check(first.SetKey(key), "usable key refused");
        fuzz::Check(first.Load(), "an existing file did not load");
        loaded = Settings(first, names);
        // Save a copy under another name through a second object.
        initfile second(copy);
        if (keyed) second.SetKey(key);
        bool stored = true;
        for (const auto& [name, value] : loaded)
            stored = second.SetString(name, value) && stored;
        const bool saved = second.Save();
        initfile third(copy);
        if (keyed) third.SetKey(key);
        if (saved && stored) {
            const bool reloaded = third.Load();
            std::map<std::string, std::string> again = Settings(third, names);
            std::map<std::string, std::string> expected;
            for (const auto& [name, value] : loaded)
                if (!value.empty()) expected[name] = value;
            fuzz::Check(reloaded || expected.empty(), "a saved file did not load");
            fuzz::Check(again == expected, "settings changed by a save and a load");
        }
    }

    // Raw lines through the writer read back unchanged while they fit.
    {
        LineData writer(copy);
        if (keyed) writer.SetKey(key);
        writer.Open(false);
        std::vector<std::string> written;
        for (const std::string& line : lines)
            if (line.find("\r\n") == std::string::npos && writer.WriteLine(line))
                written.push_back(line);
        fuzz::Check(writer.Close(), "the writer could not write");
        if (!written.empty()) {
            std::vector<std::string> back = Lines(copy, key);
            if (keyed) // the last block's zero fill reads as one more line
                while (back.size() > written.size() &&
                       back.back().find_first_not_of('\0') == std::string::npos)
                    back.pop_back();
            fuzz::Check(back == written, "written lines do not read back");
        }
    }
    fuzz::ClearScratch();
    return 0;
}
