#pragma once
// x86 and x86-64 instruction decoding for function prologues: the length of
// one instruction, whether it ends the path, and where it holds a relative
// branch or a RIP-relative operand. Only the instructions that compiled
// prologues are made of are known; anything else is refused, never guessed.
//
// The mode is a parameter, not the build's own, so one build can check both.
// Addresses are plain numbers: relocation never touches the original code.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace detours {

enum class CpuMode { X86, X64 };

enum class Branch {
    None,
    Jump8,   // EB rel8
    Cond8,   // 70-7F rel8
    Jump32,  // E9 rel32
    Call32,  // E8 rel32
    Cond32,  // 0F 80-8F rel32
};

struct Instruction {
    size_t length = 0;
    bool endsPath = false;           // ret, jmp: what follows is not reached from here
    Branch branch = Branch::None;
    uint8_t condition = 0;           // 0-15 for Cond8 / Cond32
    bool ripRelative = false;        // x86-64 [rip+disp32] operand
    size_t displacementOffset = 0;   // where the rel8/rel32 or the RIP disp32 begins
};

// Decodes the instruction at code, reading at most available bytes.
bool DecodeInstruction(CpuMode mode, const uint8_t* code, size_t available, Instruction* out);

struct Relocation {
    size_t taken = 0;    // bytes of the original taken (whole instructions)
    size_t written = 0;  // bytes written to the copy
    // (offset in the original, offset in the copy) of each instruction taken.
    std::vector<std::pair<size_t, size_t>> starts;
};

// Copies whole instructions from code, which lives at address from, until at
// least minBytes are taken, rewritten to run at address to; writes into out
// (outSize bytes). Short branches become their rel32 forms. Fails when an
// instruction is unknown, the path ends before minBytes, a branch leads into
// the taken bytes, or a relocated displacement does not fit.
bool RelocateInstructions(CpuMode mode, const uint8_t* code, size_t available, uint64_t from, size_t minBytes,
                          uint8_t* out, size_t outSize, uint64_t to, Relocation* result);

// The displacement of a rel32 branch whose next instruction is at next and
// which leads to destination; false when out of reach (x86-64 only: in a
// 32-bit address space every displacement wraps into reach).
bool Rel32(CpuMode mode, uint64_t next, uint64_t destination, int32_t* displacement);

// Writes E9 rel32 at out (living at address at) leading to destination.
constexpr size_t kJump32Size = 5;
bool WriteJump32(CpuMode mode, uint8_t* out, uint64_t at, uint64_t destination);

}  // namespace detours
