// The settings file, read and written through SimpleIni in the plain form that Windows' own INI functions use:
// "Key=Value" lines, values taken raw (no quotes, no escapes), section and key names without regard to case.
#include "platform/ini_file.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>

// Only the byte interface (CSimpleIniA, SetUnicode(false)) is used: no wide-character converter is needed,
// and the names compare without regard to ASCII case on every platform.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include "platform/ini_file_io.h"

namespace celshift {

struct IniFile::Impl {
    CSimpleIniA ini;

    Impl() : ini(/*a_bIsUtf8=*/false, /*a_bMultiKey=*/true, /*a_bMultiLine=*/false) {
        ini.SetUnicode(false);
        ini.SetSpaces(false);
        ini.SetQuotes(false);
    }
};

namespace {

// A decimal integer with an optional sign, or "0x" and hexadecimal digits, and nothing else. The value must fit
// 32 bits, the width of the integer that Windows reads. Anything else is not an integer.
std::optional<long> parseInteger(std::string_view text) {
    int base = 10;
    bool negative = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
    long long magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<long>(value);
}

// A line break or a zero byte would end the line early and turn the rest into a line of its own.
void requireSingleLine(const std::string& text, const char* what) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        throw std::invalid_argument(std::string("settings file: the ") + what + " holds a line break or a zero byte");
    }
}

void requireName(const std::string& section, const std::string& key) {
    requireSingleLine(section, "section name");
    requireSingleLine(key, "key name");
    if (section.find(']') != std::string::npos) throw std::invalid_argument("settings file: a section name holds ']'");
    if (key.empty() || key.find('=') != std::string::npos) {
        throw std::invalid_argument("settings file: a key name is empty or holds '='");
    }
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)), impl_(std::make_unique<Impl>()) {
    const std::string bytes = detail::readWholeFile(path_);
    if (impl_->ini.LoadData(bytes) < 0) impl_->ini.Reset();
}

IniFile::~IniFile() = default;

long IniFile::readInteger(const std::string& section, const std::string& key, long defaultValue) const {
    const char* value = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (value == nullptr) return defaultValue;
    return parseInteger(value).value_or(defaultValue);
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    // With duplicate keys GetValue gives the first, as Windows does.
    const char* value = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return value == nullptr ? defaultValue : std::string(value);
}

void IniFile::writeInteger(const std::string& section, const std::string& key, long value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeString(const std::string& section, const std::string& key, const std::string& value) {
    requireName(section, key);
    requireSingleLine(value, "value");
    // Forced replacement: one line for the key, whatever duplicates the file held.
    if (impl_->ini.SetValue(section.c_str(), key.c_str(), value.c_str(), nullptr, /*a_bForceReplace=*/true) < 0) {
        throw std::runtime_error("settings file: no memory for a value");
    }
}

bool IniFile::save() {
    std::string bytes;
    if (impl_->ini.Save(bytes, /*a_bAddSignature=*/false) < 0) return false;
    return detail::replaceFile(path_, bytes);
}

}  // namespace celshift
