#include "MessageBoxSink.h"

#include "Dialogs.h"

#include <utility>

namespace ui {

void MessageBoxSink::message(const std::string& text, const std::string& title) {
    show(text, title);
}

void MessageBoxSink::identifiedMessage(core::MessageId id, const std::string& text,
                                       const std::string& title) {
    if (id != core::MessageId::None && id == m_held)
        m_waiting.push_back({text, title, id});
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
