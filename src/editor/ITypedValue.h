#pragma once

class IParam;

// Reads a value a person typed into the editor's text field for param, as the host's text
// conversion does (IParam::FromDisplayText: units optional, "3k", "-1.5", "15 kHz", "Linked"),
// with one difference: a number beyond the parameter's range is clamped to it instead of
// refused. For a list of frequencies the range runs from its lowest to its highest entry
// ("30 kHz" gives the highest), for a list of words from its first to its last value ("7"
// gives the last). A number inside the range that is not an entry of a list, another unit,
// and text that is no number at all are not values: false, *plain untouched.
bool ParseTypedValue(const IParam* param, const char* text, double* plain);
