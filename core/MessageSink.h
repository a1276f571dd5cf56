#pragma once

#include <string>
#include <vector>

namespace core {

/// What a caller must recognise a message by, whatever its text says.
enum class MessageId {
    None,
    NegativeCarbonate, ///< the acid end-point lies beyond the alkali one
    ResidualTrend,     ///< the residuals of an acid-only calibration trend: the model misfits
};

/// Where the engine sends the messages the user must see. The window shows a
/// message box, the command-line tool prints a line, tests record them.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    /// An empty title stands for the application's default title ("TAMO").
    virtual void message(const std::string& text, const std::string& title = {}) = 0;
    /// A message sent with its identifier. A sink that does not tell messages
    /// apart shows it as any other. (Not an overload of message(): a sink that
    /// overrides that alone would hide it.)
    virtual void identifiedMessage(MessageId id, const std::string& text,
                                   const std::string& title = {}) {
        static_cast<void>(id);
        message(text, title);
    }
};

/// One message as it was sent.
struct Message {
    std::string text;
    std::string title;
    MessageId id = MessageId::None;
    bool operator==(const Message&) const = default;
};

/// Keeps every message in order; used by tests and by callers that show them later.
class RecordingSink : public MessageSink {
public:
    void message(const std::string& text, const std::string& title = {}) override {
        messages.push_back({text, title});
    }
    void identifiedMessage(MessageId id, const std::string& text,
                           const std::string& title = {}) override {
        messages.push_back({text, title, id});
    }
    std::vector<Message> messages;
};

} // namespace core
