#include "LineReader.h"

#include <cstring>

namespace io {

bool LineReader::next(std::string_view& line) {
    if (m_rest.empty())
        return false;
    ++m_number;
    // The line ends at the first LF, or at a CR before it: two fast searches.
    const char* begin = m_rest.data();
    const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', m_rest.size()));
    const std::size_t searched = lf ? static_cast<std::size_t>(lf - begin) : m_rest.size();
    const auto* cr = static_cast<const char*>(std::memchr(begin, '\r', searched));
    if (!cr && !lf) {
        line = m_rest;
        m_rest = {};
        return true;
    }
    const std::size_t end = static_cast<std::size_t>((cr ? cr : lf) - begin);
    line = m_rest.substr(0, end);
    const bool crlf = cr && end + 1 < m_rest.size() && m_rest[end + 1] == '\n';
    m_rest.remove_prefix(end + (crlf ? 2 : 1));
    return true;
}

} // namespace io
