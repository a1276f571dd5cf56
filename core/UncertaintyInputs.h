#pragma once

#include "Titration.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// The inputs of a calibration whose standard uncertainties enter its results.
enum class UncertaintyInput {
    TitrandVolume,     ///< v0, ml
    ElectrolyteVolume, ///< v1, ml
    TitrandConc,       ///< mol dm-3
    TitrantConc,       ///< the burette concentration as labelled, mol dm-3
    Burette,           ///< the burette's scale: a relative error common to all volumes
    Addition,          ///< the error of each addition, ml; it stays in every later reading
    Temperature,       ///< K
    PKw,               ///< a pKw that is held, not refined
    Emf,               ///< each emf reading, mV
    SlopeFactor,       ///< a held (Nernst) slope's departure from the true slope
};
inline constexpr int kUncertaintyInputCount = 10;
inline constexpr std::array<UncertaintyInput, kUncertaintyInputCount> kUncertaintyInputs{
    UncertaintyInput::TitrandVolume, UncertaintyInput::ElectrolyteVolume,
    UncertaintyInput::TitrandConc,   UncertaintyInput::TitrantConc,
    UncertaintyInput::Burette,       UncertaintyInput::Addition,
    UncertaintyInput::Temperature,   UncertaintyInput::PKw,
    UncertaintyInput::Emf,           UncertaintyInput::SlopeFactor};

/// A standard uncertainty as stated: in the quantity's unit, or relative to its
/// value (a number with %, kept here as the fraction).
struct StatedUncertainty {
    double value = 0;
    bool relative = false;
    bool operator==(const StatedUncertainty&) const = default;
};

/// What the program says about an input.
struct InputDescription {
    const char* key;  ///< "titrand-volume": the option --u-KEY, the settings tag u-KEY
    const char* json; ///< "titrand_volume": its name in JSON
    const char* name; ///< "titrand volume": its name in the budget
    const char* unit; ///< "ml"; empty for a factor
    /// The default standard uncertainty; none for the emf (the fit's residual scatter).
    std::optional<StatedUncertainty> byDefault;
    bool relativeAllowed; ///< a number with % means something
};
const InputDescription& describe(UncertaintyInput input);

/// The input whose key this is, if any.
std::optional<UncertaintyInput> inputOfKey(std::string_view key);

/// The uncertainties the user stated; an empty one takes its default.
struct UncertaintyInputs {
    std::array<std::optional<StatedUncertainty>, kUncertaintyInputCount> stated{};
    std::optional<StatedUncertainty>& operator[](UncertaintyInput input) {
        return stated[static_cast<std::size_t>(input)];
    }
    const std::optional<StatedUncertainty>& operator[](UncertaintyInput input) const {
        return stated[static_cast<std::size_t>(input)];
    }
    bool operator==(const UncertaintyInputs&) const = default;
};

/// Reads a stated uncertainty ("0.02", "0.02 ml", "0.1 %", "0,1%"): a number,
/// zero or more, relative when followed by %. Returns an empty text on success,
/// else what is wrong ("needs a number", "cannot be negative", "is in mV, not a
/// percentage").
std::string parseStatedUncertainty(UncertaintyInput input, std::string_view text,
                                   StatedUncertainty& stated);

/// The text parseStatedUncertainty reads back to the same value: "0.02", "0.1%".
std::string statedText(const StatedUncertainty& stated);

/// The standard uncertainty of one input in a calibration, in the input's unit.
struct AppliedUncertainty {
    UncertaintyInput input{};
    bool applies = false;     ///< the input enters this calibration with a u above zero
    double u = 0;             ///< absolute; for the additions the u of an addition of 1 ml
                              ///< when relative (perAddition tells each one's)
    StatedUncertainty stated; ///< as stated or by default (the emf: the scatter, absolute)
    bool byDefault = false;
    std::string note; ///< why it does not apply, or where the value comes from
};

/// The uncertainties of the inputs of a calculated titration: the stated ones
/// or the defaults, absolute. Not an input: the titrant concentration when
/// Gamma is refined (the calibration finds the titrant; its label is only a
/// name), pKw when it is refined or the acid branch stands alone, the slope
/// factor when the slope is refined
/// or free. The emf's default is the fit's residual scatter
/// sqrt(S / (N - p)) for p refined parameters.
std::array<AppliedUncertainty, kUncertaintyInputCount>
applyUncertainties(const Titration& calculated, const UncertaintyInputs& inputs);

/// The standard uncertainty of each addition: the volume added at each point
/// (the first from zero); an addition of nothing has none.
std::vector<double> additionUncertainties(const AppliedUncertainty& addition,
                                          const std::vector<Point>& points);

} // namespace core
