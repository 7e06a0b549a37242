// The simple upper-case mappings of the Basic Multilingual Plane, as runs of code points
// sharing one delta (stride 2 for the alternating lower/upper pairs of the Latin blocks).
#pragma once

namespace scrivo {

struct UpperRun {
    unsigned short First, Last;
    int Delta;
    unsigned char Stride;
};

extern const UpperRun kUpperRuns[];
extern const unsigned kUpperRunCount;

} // namespace scrivo
