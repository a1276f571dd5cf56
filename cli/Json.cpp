#include "Json.h"

#include "ShortestNumber.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace cli {

JsonWriter::JsonWriter(std::string& out) : m_out(out), m_size(out.size()) {
    m_out.resize(std::max(m_out.capacity(), m_size + 256));
}

JsonWriter::~JsonWriter() {
    m_out.resize(m_size);
}

char* JsonWriter::room(std::size_t n) {
    n += 1 + (m_hasKey ? m_key.size() + 3 : 0); // the comma and a pending key
    if (m_size + n > m_out.size())
        m_out.resize(std::max(2 * m_out.size(), m_size + n));
    char* p = m_out.data() + m_size;
    if (m_comma)
        *p++ = ',';
    m_comma = true;
    if (m_hasKey) {
        *p++ = '"';
        std::memcpy(p, m_key.data(), m_key.size());
        p += m_key.size();
        *p++ = '"';
        *p++ = ':';
        m_hasKey = false;
    }
    return p;
}

void JsonWriter::done(char* end) {
    m_size = static_cast<std::size_t>(end - m_out.data());
}

void JsonWriter::plain(std::string_view text) {
    char* p = room(text.size());
    std::memcpy(p, text.data(), text.size());
    done(p + text.size());
}

void JsonWriter::open(char bracket) {
    char* p = room(1);
    *p++ = bracket;
    done(p);
    m_comma = false;
}

void JsonWriter::close(char bracket) {
    m_comma = false;
    char* p = room(1);
    *p++ = bracket;
    done(p);
}

void JsonWriter::key(std::string_view name) {
    // Written with its value: one look for room instead of two.
    m_key = name;
    m_hasKey = true;
}

void JsonWriter::value(double number) {
    if (!std::isfinite(number)) {
        null();
        return;
    }
    done(writeShortest(room(kShortestTextSize), number));
}

void JsonWriter::value(TextNumber number) {
    const auto single = static_cast<float>(number.value);
    if (!std::isfinite(single) || static_cast<double>(single) != number.value) {
        value(number.value);
        return;
    }
    done(writeShortest(room(kShortestTextSize), single));
}

void JsonWriter::value(std::optional<double> number) {
    if (number)
        value(*number);
    else
        null();
}

void JsonWriter::value(int number) {
    char* p = room(12);
    done(std::to_chars(p, p + 12, number).ptr);
}

void JsonWriter::value(bool flag) {
    plain(flag ? "true" : "false");
}

void JsonWriter::null() {
    plain("null");
}

namespace {

bool needsEscape(char c) {
    return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
}

} // namespace

void JsonWriter::value(std::string_view text) {
    // Each character takes at most six ("\u001f"), and the quotes.
    char* p = room(6 * text.size() + 2);
    *p++ = '"';
    for (const char c : text) {
        if (!needsEscape(c)) {
            *p++ = c;
            continue;
        }
        *p++ = '\\';
        switch (c) {
        case '"':
            *p++ = '"';
            break;
        case '\\':
            *p++ = '\\';
            break;
        case '\n':
            *p++ = 'n';
            break;
        case '\r':
            *p++ = 'r';
            break;
        case '\t':
            *p++ = 't';
            break;
        default: {
            static constexpr char hex[] = "0123456789abcdef";
            std::memcpy(p, "u00", 3);
            p += 3;
            *p++ = hex[(c >> 4) & 0xf];
            *p++ = hex[c & 0xf];
        }
        }
    }
    *p++ = '"';
    done(p);
}

} // namespace cli
