// The stored measured set of the open spectrum file, as the display reads it.
// The spectrum-file module completes the record with its header fields.
#pragma once

#include <cstdint>

// Values per spectrum in a stored set.
constexpr int kSavedPoints = 2049;

struct SavedMeasurement {
    std::int32_t pixelCount = 0; // valid values in each array
    double dark[kSavedPoints] = {};
    double reference[kSavedPoints] = {};
    double absorbance[kSavedPoints] = {};
    double transmission[kSavedPoints] = {};
    double derivative1[kSavedPoints] = {};
    double derivative2[kSavedPoints] = {};
    std::int32_t measured = 0; // kinds present (iMess bits)
};
extern SavedMeasurement stSavedMeas;

// Wavelength of each pixel of the open file (stSavedMeas.pixelCount values).
extern double dLambda2[kSavedPoints];
