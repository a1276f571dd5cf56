#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

/// A number as it was read from text: single precision when the text was one
/// number, a double when only its leading number was read ("13.97 pK").
struct TextNumber {
    double value;
};

/// A minimal JSON writer for one line of JSON Lines output, nested at most
/// eight deep. Numbers are written in their shortest round-trip form: a
/// TextNumber as the shortest text that reads back to its single-precision
/// value ("0.02", not "0.019999999552965164") when it has one. A number that
/// is not finite is written as null, so the output is always valid JSON.
class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : m_out(out) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    /// A key of our own: plain ASCII, written without escaping.
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
    void separator();

    std::string& m_out;
    static constexpr int kMaxDepth = 8;
    std::array<bool, kMaxDepth> m_first{}; ///< per open container: nothing written in it yet
    int m_depth = 0;
    bool m_afterKey = false;
};

} // namespace cli
