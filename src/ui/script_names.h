#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The names an event script may write in place of numbers. Each stands for
// exactly the number a script wrote before names existed, so a script means
// the same whichever it uses. Names are matched in any case: none of them is
// a number, so no numeric script can come to mean something else.

namespace trivane {

struct ScriptName {
    const char* name;
    int32_t value;
};

// Virtual-key codes of every key the handlers react to: "W", "Left", "PageDown", "Space", ...
std::span<const ScriptName> keyNames();
// Every menu command id: "gouraud", "fit", "geosphere", ...
std::span<const ScriptName> menuNames();
// The scroll bars of the light and material dialog, a row each:
// "light.ambient.red" .. "material.specular.blue".
std::span<const ScriptName> dialogRowNames();
// The scroll codes the dialog's bars report: "lineleft" .. "endscroll".
std::span<const ScriptName> scrollCodeNames();

// Text without the blanks (space, tab, CR, LF) around it, as script events
// and their arguments are read.
std::string_view trimBlanks(std::string_view s);

// The value a table gives a name, matched in any case.
std::optional<int32_t> valueOfName(std::span<const ScriptName> table, std::string_view name);
// The name a table gives a value, or nullptr.
const char* nameOfValue(std::span<const ScriptName> table, int32_t value);

// One notch of the wheel as the raw wheel word carries it: a delta of 120 in
// the high word, no buttons or modifiers in the low word.
constexpr int32_t kWheelNotch = 120 * 65536;
// The most notches whose delta still fits the word's 16 bits.
constexpr int32_t kMaxWheelNotches = 32767 / 120;

// A count of notches written with its sign ("+1", "-2"), or "N notch" and
// "N notches" (blanks and case free, N signed or not), |N| from 1 to
// kMaxWheelNotches, as its raw wheel word. Signed counts within that range
// were raw words that meant no notch at all (a delta of -1 or 0 under flag
// bits no wheel sets); every other number stays the raw word.
std::optional<int32_t> wheelOfNotches(std::string_view text);
// A raw wheel word that is a whole number of notches, written with its sign
// ("+1", "-2"); empty for any other word.
std::string notchesOfWheel(int32_t raw);

// Every name with its number, as --help lists them, lines of at most 78
// characters.
std::string namesHelp();

}  // namespace trivane
