#pragma once
// A configuration's channels, inputs and trigger sources in words, with their numbers and the
// names the configuration gives them: "Output 5 "Brake light"", "CAN input 3 "Brake"". The
// checks and the printed sheet say things the same way.

#include "config/ConfigModel.h"

#include <QString>

namespace relvane {

// A name as text; characters that cannot be shown (control characters) become U+FFFD.
QString NameWords(const QByteArray& name);

// "Output 5 "Brake light"", or "Output 5" when the name is empty. Numbers out of range give
// the bare number ("Output 40").
QString OutputWords(const ConfigModel& model, int n);
QString InputWords(const ConfigModel& model, int n);
QString CanInputWords(const ConfigModel& model, int n);
QString VirtualInputWords(const ConfigModel& model, int n);
QString FlashWords(const ConfigModel& model, int n);

// What a position of the extended trigger source list stands for.
struct TriggerSource {
    enum Kind { None, Disabled, Plus30, Input, CanInput, VirtualInput, WiperSlow, WiperFast };
    Kind kind = None;
    int number = 0;  // of the input, CAN input or virtual input
};
TriggerSource TriggerAt(int position);
// The source in words: "DISABLED", "+30", "Input 3 "Ignition"", "Wiper Slow", "(none)".
QString TriggerWords(const ConfigModel& model, int position);

// What a position of the virtual operand list stands for.
struct OperandSource {
    enum Kind { NotUsed, Plus30, Input, CanInput, Output, VirtualInput, Invalid };
    Kind kind = NotUsed;
    int number = 0;
};
// A stored source index: 0 "Not Used", 1 "+30", 2-12 inputs, 13-44 CAN inputs, 45-78 outputs,
// 79-98 virtual inputs. 255 (nothing selected) travels as "+30"; other values are Invalid.
OperandSource OperandAt(int index);
QString OperandWords(const ConfigModel& model, int index);

// An entry of a CAN export in words: export 1 selects outputs 1 to 18, exports 2 to 4 outputs,
// inputs or "Output error". "DISABLED" for position 0, "(none)" for nothing selected.
QString ExportEntryWords(const ConfigModel& model, int exportNumber, int position);
// The output an export entry selects (1 to 34), or 0 when it selects none.
int ExportEntryOutput(int exportNumber, int position);
// Where entry e (0-based) of an export sits in its message: "byte 3" (export 1: "byte 1" to
// "byte 6", then "byte 7 row 1" to "byte 7 row 12"), or "byte 0 bit 7" for exports 2 to 4.
QString ExportEntryPlace(int exportNumber, int entry);

// "0x1A3": a CAN identifier as its editors show it.
QString CanIdWords(int id);

}  // namespace relvane
