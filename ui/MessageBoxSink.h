#pragma once

#include "core/MessageSink.h"

#include <QString>

#include <string>
#include <vector>

class QWidget;

namespace ui {

class Dialogs;

/// The application's name: the title of a message box that names no other.
inline const QString kAppTitle = QStringLiteral("TAMO");

/// Shows each message of the engine as a modal warning at once (the engine
/// speaks only of what it cannot do or doubts). A message with the identifier
/// named as held waits until release(): the calculation's carbonate warning
/// comes after the plots are drawn.
class MessageBoxSink : public core::MessageSink {
public:
    MessageBoxSink(Dialogs& dialogs, QWidget* parent, core::MessageId held = core::MessageId::None)
        : m_dialogs(dialogs), m_parent(parent), m_held(held) {}
    ~MessageBoxSink() override { release(); }

    void message(const std::string& text, const std::string& title = {}) override;
    void identifiedMessage(core::MessageId id, const std::string& text,
                           const std::string& title = {}) override;
    /// Shows the held messages.
    void release();

private:
    void show(const std::string& text, const std::string& title);

    Dialogs& m_dialogs;
    QWidget* m_parent;
    core::MessageId m_held;
    std::vector<core::Message> m_waiting;
};

} // namespace ui
