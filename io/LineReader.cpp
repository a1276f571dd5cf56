#include "LineReader.h"

namespace io {

bool LineReader::next(std::string_view& line) {
    if (m_rest.empty())
        return false;
    // A plain scan: find_first_of with a set costs several times more per character.
    std::size_t end = 0;
    while (end < m_rest.size() && m_rest[end] != '\r' && m_rest[end] != '\n')
        ++end;
    if (end == m_rest.size())
        end = std::string_view::npos;
    ++m_number;
    if (end == std::string_view::npos) {
        line = m_rest;
        m_rest = {};
        return true;
    }
    line = m_rest.substr(0, end);
    const bool crlf = m_rest[end] == '\r' && end + 1 < m_rest.size() && m_rest[end + 1] == '\n';
    m_rest.remove_prefix(end + (crlf ? 2 : 1));
    return true;
}

} // namespace io
