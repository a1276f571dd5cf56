#include "MessageBoxSink.h"

#include "Dialogs.h"

#include <utility>

namespace ui {

void MessageBoxSink::message(const std::string& text, const std::string& title) {
    if (!m_held.empty() && text == m_held)
        m_waiting.push_back({text, title});
    else
        show(text, title);
}

void MessageBoxSink::release() {
    for (const core::Message& m : std::exchange(m_waiting, {}))
        show(m.text, m.title);
}

void MessageBoxSink::show(const std::string& text, const std::string& title) {
    m_dialogs.warning(m_parent, QString::fromStdString(text),
                      title.empty() ? kAppTitle : QString::fromStdString(title));
}

} // namespace ui
