#pragma once

#include <string_view>

namespace io {

/// The lines of a text, each ended by CR LF, LF or a lone CR (the last one may
/// have no end). A line end at the very end of the text starts no further line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_rest(text) {}

    /// The next line without its end; false when the text is used up.
    bool next(std::string_view& line);

    /// The number of the line returned last, counting from 1.
    int number() const { return m_number; }

private:
    std::string_view m_rest;
    int m_number = 0;
};

} // namespace io
