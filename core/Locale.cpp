#include "Locale.h"

namespace core {

namespace {
char g_decimalSeparator = '.';
}

char decimalSeparator() { return g_decimalSeparator; }

void setDecimalSeparator(char separator) { g_decimalSeparator = separator == ',' ? ',' : '.'; }

} // namespace core
