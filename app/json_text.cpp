#include "app/json_text.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kBase64Suffix = "_base64";
constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The length of the well-formed UTF-8 sequence at the start of `bytes`, or 0: no overlongs,
// no surrogates, nothing above U+10FFFF.
std::size_t SequenceLength(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint8_t low = 0x80;  // the range of the second byte excludes overlongs and surrogates
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void AppendEscaped(std::string& out, char c) {
    constexpr char kHex[] = "0123456789abcdef";
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte < 0x20 || byte == 0x7F) {
        out += "\\u00";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    } else {
        out += c;
    }
}

// The quoted JSON string of the bytes; false when some were not UTF-8 and were replaced.
bool AppendQuoted(std::string& out, std::string_view bytes) {
    bool exact = true;
    out += '"';
    while (!bytes.empty()) {
        const std::size_t length = SequenceLength(bytes);
        if (length == 0) {
            out += kReplacement;
            exact = false;
            bytes.remove_prefix(1);
        } else if (length == 1) {
            AppendEscaped(out, bytes.front());
            bytes.remove_prefix(1);
        } else {
            out += bytes.substr(0, length);
            bytes.remove_prefix(length);
        }
    }
    out += '"';
    return exact;
}

void AppendBase64(std::string& out, std::string_view bytes) {
    out += '"';
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = 0;
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        for (std::size_t k = 0; k < 3; ++k) {
            group = group << 8 | (k < count ? static_cast<std::uint8_t>(bytes[i + k]) : 0u);
        }
        for (std::size_t k = 0; k < 4; ++k) {
            out += k <= count ? kBase64Digits[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    out += '"';
}

void AppendName(std::string& object, std::string_view name) {
    if (object.size() > 1) {
        object += ',';
    }
    AppendQuoted(object, name);
    object += ':';
}

}  // namespace

void AppendJsonText(std::string& object, std::string_view name, std::string_view value) {
    AppendName(object, name);
    if (!AppendQuoted(object, value)) {
        AppendName(object, std::string(name) + std::string(kBase64Suffix));
        AppendBase64(object, value);
    }
}

void AppendJsonTextOrNull(std::string& object, std::string_view name, const std::string* value) {
    if (value == nullptr) {
        AppendName(object, name);
        object += "null";
    } else {
        AppendJsonText(object, name, *value);
    }
}

void AppendJsonValue(std::string& object, std::string_view name, std::string_view json) {
    AppendName(object, name);
    object += json;
}
