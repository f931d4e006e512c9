#pragma once
// The routines that compiled operations call: the operators by code and the standard functions.

#include "runner/mathparser/MathParser.h"

#include <span>

namespace mathparser {

// Operation codes of the compiled list.
enum OpCode : std::uint8_t {
    opVariable = 0,
    opNumber = 1,
    opNegate = 2,
    opAdd = 3,
    opSubtract = 4,
    opMultiply = 5,
    opDivide = 6,
    opMod = 7,
    opDiv = 8,
    opIntPower = 9,
    opPower = 10,
    opSquare = 11,
    opCube = 12,
    opFourth = 13,
    opFunction = 14,
    opFunctionTwoParam = 15,
};

// The routine of codes 0 to 13 (leaves get the no-op).
TParserRoutine RoutineForCode(std::uint8_t code);

struct NamedRoutine {
    const char* Name;
    TParserRoutine Routine;
};
std::span<const NamedRoutine> StandardFunctions();
std::span<const NamedRoutine> StandardTwoParamFunctions();

// Raises the fault a non-finite value stands for: NaN is an invalid operation, infinity overflow.
void CheckFinite(double value);

}  // namespace mathparser
