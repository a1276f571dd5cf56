#pragma once

namespace core {

/// The decimal separator of the user's locale: "." or ",". The application sets
/// it once at start-up (the core itself knows nothing of the platform's locale).
/// Formatted numbers show it and typed numbers may use it.
char decimalSeparator();
void setDecimalSeparator(char separator);

/// Sets the separator for the lifetime of the object and restores the previous one.
class ScopedDecimalSeparator {
public:
    explicit ScopedDecimalSeparator(char separator) : m_previous(decimalSeparator()) {
        setDecimalSeparator(separator);
    }
    ~ScopedDecimalSeparator() { setDecimalSeparator(m_previous); }
    ScopedDecimalSeparator(const ScopedDecimalSeparator&) = delete;
    ScopedDecimalSeparator& operator=(const ScopedDecimalSeparator&) = delete;

private:
    char m_previous;
};

} // namespace core
