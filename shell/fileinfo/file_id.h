// file_id and file_info: a file described by its directory and its name.
#pragma once

#include <cstddef>
#include <string>

// Holds a directory part and a file name and splits the name into base name
// and extension. The directory is joined to the name without a separator, so
// it normally ends in "/".
//
// The four operations are virtual in this slot order: BaseName, Dir,
// CasedBaseName, Extension. The destructor is deliberately not virtual: never
// delete a derived object through a file_id pointer.
class file_id {
public:
    // Longest extension Extension() returns; longer ones are cut to this many
    // characters, the size of the shell's fixed file-name buffers.
    static constexpr std::size_t kMaxExtension = 500;

    file_id(std::string directory, std::string name);

    // The name before its last "."; the whole name when it has no "." or when
    // the last "." is its first character (".profile").
    virtual std::string BaseName() const;
    // A copy of the directory part.
    virtual std::string Dir() const;
    // BaseName() in upper case (true) or lower case (false); ASCII letters only.
    virtual std::string CasedBaseName(bool upper) const;
    // The text after the last "." (at most kMaxExtension characters); empty
    // when the name has no "." or ends in one.
    virtual std::string Extension() const;

    ~file_id() = default;
    file_id(const file_id&) = default;
    file_id& operator=(const file_id&) = default;

protected:
    const std::string& Name() const { return name_; }

private:
    std::string directory_;
    std::string name_;
};

// A file_id that can tell whether its file exists.
class file_info : public file_id {
public:
    file_info(std::string directory, std::string name);

    // True when directory + name names something in the file system (an
    // existing directory counts); false for an empty name and for every
    // failure of the query.
    bool Exists() const;
};
