#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cli {

/// A number as it was read from text: single precision when the text was one
/// number, a double when only its leading number was read ("13.97 pK").
struct TextNumber {
    double value;
};

/// A minimal JSON writer for one line of JSON Lines output, appending to the
/// string. Numbers are written in their shortest round-trip form: a TextNumber
/// as the shortest text that reads back to its single-precision value ("0.02",
/// not "0.019999999552965164") when it has one. A number that is not finite is
/// written as null, so the output is always valid JSON. The writer works in the
/// string's spare capacity; the string has its final length once the writer is gone.
class JsonWriter {
public:
    explicit JsonWriter(std::string& out);
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    /// A key of our own: plain ASCII, written without escaping. The text must
    /// live until the value is written.
    void key(std::string_view name);

    void value(double number);
    void value(std::optional<double> number);
    void value(TextNumber number);
    void value(int number);
    void value(bool flag);
    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void null();

    /// key followed by value, for brevity
    template <typename T> void member(std::string_view name, const T& v) {
        key(name);
        value(v);
    }

private:
    /// Room for n more characters, after the separator a value needs; the
    /// caller writes there and passes the end to done().
    char* room(std::size_t n);
    void done(char* end);
    void open(char bracket);
    void close(char bracket);
    void plain(std::string_view text);

    std::string& m_out;
    std::size_t m_size;     ///< characters written; m_out is longer while the writer works
    bool m_comma = false;   ///< the next value or key needs a comma before it
    std::string_view m_key; ///< the key the next value is written with
    bool m_hasKey = false;
};

} // namespace cli
