// The reference synth's programs and the texts and properties of its parameters.
#pragma once
#include <cstdint>
#include "protocol.h"

namespace qmtest {

struct RefProgram {
    char name[kVstMaxProgNameLen];
    float values[kRefParamCount];
};

// The eight factory programs.
void LoadFactoryPrograms(RefProgram (&programs)[kRefPrograms]);

// Parameter meaning.
int PitchSemitones(float value);           // -12..12
bool IsMuted(float value);
double PanLeft(float value);               // 0..1
double PanRight(float value);

// Texts for effGetParamName / effGetParamLabel / effGetParamDisplay (at most kVstMaxParamStrLen).
const char* ParamName(int32_t index);
const char* ParamLabel(int32_t index);
void ParamDisplay(int32_t index, float value, char* text, int capacity);
// effGetParameterProperties; false for an unknown index.
bool ParamProperties(int32_t index, VstParameterProperties* properties);

}  // namespace qmtest
