#include "Titration.h"

#include "Format.h"
#include "NumberEntry.h"

namespace core {

namespace {

Condition condition(double value, std::string_view pattern) {
    Condition c;
    c.text = formatNumber(value, pattern);
    RecordingSink ignored; // a formatted number always converts
    c.value = TextToNumber(c.text, ignored);
    return c;
}

} // namespace

void setConditions(Titration& t, double titrandVolume, double electrolyteVolume,
                   double titrandConc, double buretteConc) {
    t.v0 = condition(titrandVolume, kVolumePattern);
    t.v1 = condition(electrolyteVolume, kVolumePattern);
    t.Initial = condition(titrandConc, kConcentrationPattern);
    t.Burette = condition(buretteConc, kConcentrationPattern);
}

} // namespace core
