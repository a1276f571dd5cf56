#include "Json.h"

#include <array>
#include <charconv>
#include <cmath>

namespace cli {

void JsonWriter::separator() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back())
            m_out += ',';
        m_first.back() = false;
    }
}

void JsonWriter::beginObject() {
    separator();
    m_out += '{';
    m_first.push_back(true);
}

void JsonWriter::endObject() {
    m_out += '}';
    m_first.pop_back();
}

void JsonWriter::beginArray() {
    separator();
    m_out += '[';
    m_first.push_back(true);
}

void JsonWriter::endArray() {
    m_out += ']';
    m_first.pop_back();
}

void JsonWriter::key(std::string_view name) {
    value(name);
    m_out += ':';
    m_afterKey = true;
}

void JsonWriter::value(double number) {
    if (!std::isfinite(number)) {
        null();
        return;
    }
    separator();
    std::array<char, 32> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number);
    m_out.append(buffer.data(), result.ptr);
}

void JsonWriter::value(std::optional<double> number) {
    if (number)
        value(*number);
    else
        null();
}

void JsonWriter::value(int number) {
    separator();
    m_out += std::to_string(number);
}

void JsonWriter::value(bool flag) {
    separator();
    m_out += flag ? "true" : "false";
}

void JsonWriter::null() {
    separator();
    m_out += "null";
}

void JsonWriter::value(std::string_view text) {
    separator();
    m_out += '"';
    for (char c : text) {
        switch (c) {
        case '"': m_out += "\\\""; break;
        case '\\': m_out += "\\\\"; break;
        case '\n': m_out += "\\n"; break;
        case '\r': m_out += "\\r"; break;
        case '\t': m_out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static constexpr char hex[] = "0123456789abcdef";
                m_out += "\\u00";
                m_out += hex[(c >> 4) & 0xf];
                m_out += hex[c & 0xf];
            } else {
                m_out += c;
            }
        }
    }
    m_out += '"';
}

} // namespace cli
