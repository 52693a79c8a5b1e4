#pragma once
// The looser number syntax of the filter bank's slope and curvature fields.
#include <string_view>

namespace quilve::ui {

// A '-' anywhere before the decimal point makes the value negative (so a
// sign may be typed after the digits); apart from those signs the text must
// be digits, optionally '.' and digits. Without a point at least one digit
// is needed; "0.0", ".5" and "0" are all accepted. Anything else fails and
// leaves `value` alone.
bool parseLooseNumber(std::string_view text, float* value);

}  // namespace quilve::ui
