// The settings file: Windows-style INI access ("Key=Value", raw values, names without regard to case).
#pragma once

#include <memory>
#include <string>

namespace celshift {

class IniFile {
public:
    // Loads the file; a missing or unreadable file is an empty one.
    explicit IniFile(std::string path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // A missing key, or a value that is not an integer, gives the default.
    long readInteger(const std::string& section, const std::string& key, long defaultValue) const;
    std::string readString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    void writeInteger(const std::string& section, const std::string& key, long value);
    void writeString(const std::string& section, const std::string& key, const std::string& value);

    // Writes the file (through a temporary file in the same folder, then a rename), every error checked.
    // Returns false when it could not be written completely; the old file then stays as it was.
    bool save();

    const std::string& path() const { return path_; }

private:
    struct Impl;
    std::string path_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace celshift
