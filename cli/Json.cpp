#include "Json.h"

#include "ShortestNumber.h"

#include <cmath>

namespace cli {

void JsonWriter::separator() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_depth > 0) {
        bool& first = m_first[static_cast<std::size_t>(m_depth - 1)];
        if (!first)
            m_out += ',';
        first = false;
    }
}

void JsonWriter::beginObject() {
    separator();
    m_out += '{';
    m_first[static_cast<std::size_t>(m_depth++)] = true;
}

void JsonWriter::endObject() {
    m_out += '}';
    --m_depth;
}

void JsonWriter::beginArray() {
    separator();
    m_out += '[';
    m_first[static_cast<std::size_t>(m_depth++)] = true;
}

void JsonWriter::endArray() {
    m_out += ']';
    --m_depth;
}

void JsonWriter::key(std::string_view name) {
    separator();
    m_out += '"';
    m_out += name;
    m_out += "\":";
    m_afterKey = true;
}

void JsonWriter::value(double number) {
    if (!std::isfinite(number)) {
        null();
        return;
    }
    separator();
    char buffer[kShortestTextSize];
    m_out.append(buffer, writeShortest(buffer, number));
}

void JsonWriter::value(TextNumber number) {
    const auto single = static_cast<float>(number.value);
    if (!std::isfinite(single) || static_cast<double>(single) != number.value) {
        value(number.value);
        return;
    }
    separator();
    char buffer[kShortestTextSize];
    m_out.append(buffer, writeShortest(buffer, single));
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

namespace {

bool needsEscape(char c) {
    return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
}

} // namespace

void JsonWriter::value(std::string_view text) {
    separator();
    m_out += '"';
    // Plain runs are copied whole; only the characters JSON reserves are escaped.
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!needsEscape(c))
            continue;
        m_out.append(text.substr(run, i - run));
        run = i + 1;
        switch (c) {
        case '"':
            m_out += "\\\"";
            break;
        case '\\':
            m_out += "\\\\";
            break;
        case '\n':
            m_out += "\\n";
            break;
        case '\r':
            m_out += "\\r";
            break;
        case '\t':
            m_out += "\\t";
            break;
        default: {
            static constexpr char hex[] = "0123456789abcdef";
            m_out += "\\u00";
            m_out += hex[(c >> 4) & 0xf];
            m_out += hex[c & 0xf];
        }
        }
    }
    m_out.append(text.substr(run));
    m_out += '"';
}

} // namespace cli
