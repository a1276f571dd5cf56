#pragma once

#include <string>
#include <vector>

namespace core {

/// Where the engine sends the messages the user must see. The window shows a
/// message box, the command-line tool prints a line, tests record them.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    /// An empty title stands for the application's default title ("TAMO").
    virtual void message(const std::string& text, const std::string& title = {}) = 0;
};

/// One message as it was sent.
struct Message {
    std::string text;
    std::string title;
    bool operator==(const Message&) const = default;
};

/// Keeps every message in order; used by tests and by callers that show them later.
class RecordingSink : public MessageSink {
public:
    void message(const std::string& text, const std::string& title = {}) override {
        messages.push_back({text, title});
    }
    std::vector<Message> messages;
};

} // namespace core
