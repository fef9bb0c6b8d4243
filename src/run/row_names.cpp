#include "run/row_names.h"

#include "platform/code_page_932.h"

namespace celshift {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// True when text starts with "\x" and two hex digits.
bool readsAsEscape(std::string_view text) {
    return text.size() >= 4 && text[0] == '\\' && text[1] == 'x' && hexValue(text[2]) >= 0 && hexValue(text[3]) >= 0;
}

bool isHalfWidthKatakana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }
bool isUserDefinedLead(unsigned char b) { return b >= 0xF0 && b <= 0xF9; }
bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

void appendEscaped(std::string& text, unsigned char b) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    text += "\\x";
    text += kHex[b >> 4];
    text += kHex[b & 0xF];
}

// The character that a two-byte sequence stands for, as UTF-8, when code page 932 maps it to one character
// outside the private-use area; empty otherwise.
std::string twoByteCharacter(unsigned char lead, unsigned char trail) {
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const std::string utf8 = fromCodePage932(std::string_view(pair, 2));
    // One character of the basic plane is two or three UTF-8 bytes; U+FFFD marks what the code page lacks.
    if (utf8.size() < 2 || utf8.size() > 3 || utf8 == "\xEF\xBF\xBD") return {};
    const auto b0 = static_cast<unsigned char>(utf8[0]);
    if ((utf8.size() == 2 && (b0 & 0xE0) != 0xC0) || (utf8.size() == 3 && (b0 & 0xF0) != 0xE0)) return {};
    if (utf8.size() == 3) {
        const unsigned codePoint = (b0 & 0x0Fu) << 12 | (static_cast<unsigned char>(utf8[1]) & 0x3Fu) << 6 |
                                   (static_cast<unsigned char>(utf8[2]) & 0x3Fu);
        if (codePoint >= 0xE000 && codePoint <= 0xF8FF) return {};
    }
    return utf8;
}

}  // namespace

std::string displayName(std::string_view stored) {
    if (!stored.empty() && stored.back() == '\0') stored.remove_suffix(1);
    std::string text;
    for (std::size_t i = 0; i < stored.size();) {
        const auto b = static_cast<unsigned char>(stored[i]);
        if (b == '\\' && readsAsEscape(stored.substr(i))) {
            // A stored "\x41" would read back as one byte: its backslash is shown escaped.
            appendEscaped(text, b);
            ++i;
        } else if (b >= 0x20 && b <= 0x7E) {
            text += static_cast<char>(b);
            ++i;
        } else if (isHalfWidthKatakana(b)) {
            // U+FF61 to U+FF9F, three UTF-8 bytes.
            const unsigned codePoint = 0xFF61 + (b - 0xA1);
            text += static_cast<char>(0xE0 | (codePoint >> 12));
            text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (codePoint & 0x3F));
            ++i;
        } else if (isCodePage932LeadByte(b) && i + 1 < stored.size()) {
            const auto trail = static_cast<unsigned char>(stored[i + 1]);
            if (isUserDefinedLead(b) && isTrailByte(trail)) {
                // A user-defined character: both bytes are shown as they are stored.
                appendEscaped(text, b);
                appendEscaped(text, trail);
                i += 2;
                continue;
            }
            const std::string character = twoByteCharacter(b, trail);
            if (character.empty()) {
                appendEscaped(text, b);
                ++i;
            } else if (toCodePage932(character) != stored.substr(i, 2)) {
                // A character the code page holds twice (NEC and IBM rows: "纊" ED 40 and FA 5C, "Ⅰ" 87 54 and
                // FA 4A) is typed back as its other form, which would match nothing: both bytes are shown.
                appendEscaped(text, b);
                appendEscaped(text, trail);
                i += 2;
            } else {
                text += character;
                i += 2;
            }
        } else {
            appendEscaped(text, b);
            ++i;
        }
    }
    return text;
}

// Called for every row of a rows file, ten thousand in bytes among them: plain text goes to the code page in one
// piece, and only a backslash is looked at closer.
std::optional<std::string> storedBytesOf(std::string_view displayed) {
    if (displayed.find('\\') == std::string_view::npos) return toCodePage932(displayed);
    std::string bytes;
    bytes.reserve(displayed.size());
    std::size_t plainStart = 0;
    const auto flushPlain = [&](std::size_t end) {
        if (end == plainStart) return true;
        const std::optional<std::string> plain = toCodePage932(displayed.substr(plainStart, end - plainStart));
        if (plain) bytes += *plain;
        return plain.has_value();
    };
    for (std::size_t i = 0; i + 3 < displayed.size(); ++i) {
        if (displayed[i] != '\\' || !readsAsEscape(displayed.substr(i))) continue;
        if (!flushPlain(i)) return std::nullopt;
        bytes += static_cast<char>(hexValue(displayed[i + 2]) << 4 | hexValue(displayed[i + 3]));
        i += 3;
        plainStart = i + 1;
    }
    if (!flushPlain(displayed.size())) return std::nullopt;
    return bytes;
}

std::string writtenName(std::string_view storedField) {
    std::string text = displayName(storedField);
    if (storedField.empty() || storedField.back() != '\0') text += kNoZeroByteMark;
    return text;
}

std::optional<RowName> rowNameBytes(std::string_view text) {
    RowName name;
    if (text.ends_with(kNoZeroByteMark)) {
        text.remove_suffix(kNoZeroByteMark.size());
        name.closed = false;
    }
    std::optional<std::string> bytes = storedBytesOf(text);
    if (!bytes) return std::nullopt;
    name.bytes = std::move(*bytes);
    return name;
}

}  // namespace celshift
