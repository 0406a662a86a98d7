#pragma once
// The action codes of SWF 3 to 7, one X-macro row each: code, name, values popped, values
// pushed (-1: depends on the operands or the stack) and the first SWF version that has it.
// Codes from 0x80 on carry a 16-bit length and that many bytes of operands.

#include <cstdint>

namespace avm1 {

#define AVM1_OPCODES(X)                          \
    X(0x00, End, 0, 0, 1)                        \
    X(0x04, NextFrame, 0, 0, 1)                  \
    X(0x05, PrevFrame, 0, 0, 1)                  \
    X(0x06, Play, 0, 0, 1)                       \
    X(0x07, Stop, 0, 0, 1)                       \
    X(0x08, ToggleQuality, 0, 0, 1)              \
    X(0x09, StopSounds, 0, 0, 1)                 \
    X(0x0A, Add, 2, 1, 4)                        \
    X(0x0B, Subtract, 2, 1, 4)                   \
    X(0x0C, Multiply, 2, 1, 4)                   \
    X(0x0D, Divide, 2, 1, 4)                     \
    X(0x0E, Equals, 2, 1, 4)                     \
    X(0x0F, Less, 2, 1, 4)                       \
    X(0x10, And, 2, 1, 4)                        \
    X(0x11, Or, 2, 1, 4)                         \
    X(0x12, Not, 1, 1, 4)                        \
    X(0x13, StringEquals, 2, 1, 4)               \
    X(0x14, StringLength, 1, 1, 4)               \
    X(0x15, StringExtract, 3, 1, 4)              \
    X(0x17, Pop, 1, 0, 4)                        \
    X(0x18, ToInteger, 1, 1, 4)                  \
    X(0x1C, GetVariable, 1, 1, 4)                \
    X(0x1D, SetVariable, 2, 0, 4)                \
    X(0x20, SetTarget2, 1, 0, 4)                 \
    X(0x21, StringAdd, 2, 1, 4)                  \
    X(0x22, GetProperty, 2, 1, 4)                \
    X(0x23, SetProperty, 3, 0, 4)                \
    X(0x24, CloneSprite, 3, 0, 4)                \
    X(0x25, RemoveSprite, 1, 0, 4)               \
    X(0x26, Trace, 1, 0, 4)                      \
    X(0x27, StartDrag, -1, 0, 4)                 \
    X(0x28, EndDrag, 0, 0, 4)                    \
    X(0x29, StringLess, 2, 1, 4)                 \
    X(0x2A, Throw, 1, 0, 7)                      \
    X(0x2B, CastOp, 2, 1, 7)                     \
    X(0x2C, ImplementsOp, -1, 0, 7)              \
    X(0x30, RandomNumber, 1, 1, 4)               \
    X(0x31, MBStringLength, 1, 1, 4)             \
    X(0x32, CharToAscii, 1, 1, 4)                \
    X(0x33, AsciiToChar, 1, 1, 4)                \
    X(0x34, GetTime, 0, 1, 4)                    \
    X(0x35, MBStringExtract, 3, 1, 4)            \
    X(0x36, MBCharToAscii, 1, 1, 4)              \
    X(0x37, MBAsciiToChar, 1, 1, 4)              \
    X(0x3A, Delete, 2, 1, 5)                     \
    X(0x3B, Delete2, 1, 1, 5)                    \
    X(0x3C, DefineLocal, 2, 0, 5)                \
    X(0x3D, CallFunction, -1, 1, 5)              \
    X(0x3E, Return, 1, 0, 5)                     \
    X(0x3F, Modulo, 2, 1, 5)                     \
    X(0x40, NewObject, -1, 1, 5)                 \
    X(0x41, DefineLocal2, 1, 0, 5)               \
    X(0x42, InitArray, -1, 1, 5)                 \
    X(0x43, InitObject, -1, 1, 5)                \
    X(0x44, TypeOf, 1, 1, 5)                     \
    X(0x45, TargetPath, 1, 1, 5)                 \
    X(0x46, Enumerate, 1, -1, 5)                 \
    X(0x47, Add2, 2, 1, 5)                       \
    X(0x48, Less2, 2, 1, 5)                      \
    X(0x49, Equals2, 2, 1, 5)                    \
    X(0x4A, ToNumber, 1, 1, 5)                   \
    X(0x4B, ToString, 1, 1, 5)                   \
    X(0x4C, PushDuplicate, 1, 2, 5)              \
    X(0x4D, StackSwap, 2, 2, 5)                  \
    X(0x4E, GetMember, 2, 1, 5)                  \
    X(0x4F, SetMember, 3, 0, 5)                  \
    X(0x50, Increment, 1, 1, 5)                  \
    X(0x51, Decrement, 1, 1, 5)                  \
    X(0x52, CallMethod, -1, 1, 5)                \
    X(0x53, NewMethod, -1, 1, 5)                 \
    X(0x54, InstanceOf, 2, 1, 6)                 \
    X(0x55, Enumerate2, 1, -1, 6)                \
    X(0x60, BitAnd, 2, 1, 5)                     \
    X(0x61, BitOr, 2, 1, 5)                      \
    X(0x62, BitXor, 2, 1, 5)                     \
    X(0x63, BitLShift, 2, 1, 5)                  \
    X(0x64, BitRShift, 2, 1, 5)                  \
    X(0x65, BitURShift, 2, 1, 5)                 \
    X(0x66, StrictEquals, 2, 1, 6)               \
    X(0x67, Greater, 2, 1, 6)                    \
    X(0x68, StringGreater, 2, 1, 6)              \
    X(0x69, Extends, 2, 0, 7)                    \
    X(0x81, GotoFrame, 0, 0, 1)                  \
    X(0x83, GetUrl, 0, 0, 1)                     \
    X(0x87, StoreRegister, 1, 1, 5)              \
    X(0x88, ConstantPool, 0, 0, 5)               \
    X(0x8A, WaitForFrame, 0, 0, 1)               \
    X(0x8B, SetTarget, 0, 0, 3)                  \
    X(0x8C, GotoLabel, 0, 0, 3)                  \
    X(0x8D, WaitForFrame2, 1, 0, 4)              \
    X(0x8E, DefineFunction2, 0, -1, 7)           \
    X(0x8F, Try, 0, 0, 7)                        \
    X(0x94, With, 1, 0, 5)                       \
    X(0x96, Push, 0, -1, 4)                      \
    X(0x99, Jump, 0, 0, 4)                       \
    X(0x9A, GetUrl2, 2, 0, 4)                    \
    X(0x9B, DefineFunction, 0, -1, 5)            \
    X(0x9D, If, 1, 0, 4)                         \
    X(0x9E, Call, 1, 0, 4)                       \
    X(0x9F, GotoFrame2, 1, 0, 4)

enum class Op : std::uint8_t {
#define AVM1_ENUM(code, name, pops, pushes, version) name = code,
    AVM1_OPCODES(AVM1_ENUM)
#undef AVM1_ENUM
};

struct OpInfo {
    const char* name = nullptr;  // nullptr: not an action code
    std::int8_t pops = 0;
    std::int8_t pushes = 0;
    std::uint8_t version = 0;
};

// Facts about one action code; unknown codes have a null name (players skip them).
const OpInfo& opInfo(std::uint8_t code);

}  // namespace avm1
