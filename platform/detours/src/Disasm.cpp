// Instruction decoding and relocation for the hook library stand-in.
#include "Disasm.h"

#include <cstring>

namespace detours {
namespace {

constexpr size_t kMaxInstruction = 15;

enum class Imm : uint8_t {
    None,
    I8,
    I16,
    Iz,     // 16 or 32 bits by operand size (32 also with REX.W)
    Iv,     // 16, 32 or, with REX.W, 64 bits (B8-BF)
    Enter,  // Iw then Ib
    Moffs,  // an address: 32 bits, 64 on x86-64
};

struct Opcode {
    bool known = false;
    bool modrm = false;
    Imm imm = Imm::None;
    Branch branch = Branch::None;
    bool endsPath = false;
};

constexpr Opcode Unknown() { return Opcode{}; }
constexpr Opcode Plain(Imm imm = Imm::None) { return Opcode{true, false, imm, Branch::None, false}; }
constexpr Opcode WithModRM(Imm imm = Imm::None) { return Opcode{true, true, imm, Branch::None, false}; }
constexpr Opcode Ends(Imm imm = Imm::None) { return Opcode{true, false, imm, Branch::None, true}; }
constexpr Opcode Relative(Branch branch, Imm imm, bool endsPath) { return Opcode{true, false, imm, branch, endsPath}; }

// The one-byte opcode map. Prefixes and 0F are handled by the caller.
Opcode OneByte(CpuMode mode, uint8_t op) {
    const bool x64 = mode == CpuMode::X64;
    if (op < 0x40) {
        switch (op & 7) {
            case 0: case 1: case 2: case 3: return WithModRM();  // ALU r/m forms
            case 4: return Plain(Imm::I8);                       // ALU al, imm8
            case 5: return Plain(Imm::Iz);                       // ALU eax, imm
            default: return x64 ? Unknown() : Plain();           // push/pop seg, daa, das, aaa, aas
        }
    }
    if (op < 0x50) return x64 ? Unknown() : Plain();  // inc/dec r (REX on x86-64, taken earlier)
    if (op < 0x60) return Plain();                    // push/pop r
    if (op >= 0x70 && op <= 0x7F) return Relative(Branch::Cond8, Imm::I8, false);
    if (op >= 0x84 && op <= 0x8E) return WithModRM();  // test, xchg, mov, lea, mov seg
    if (op >= 0x90 && op <= 0x99) return Plain();      // xchg eax, cbw, cwd
    if (op >= 0xB0 && op <= 0xB7) return Plain(Imm::I8);
    if (op >= 0xB8 && op <= 0xBF) return Plain(Imm::Iv);
    if (op >= 0xD8 && op <= 0xDF) return WithModRM();  // x87
    switch (op) {
        case 0x60: case 0x61: case 0xCE: return x64 ? Unknown() : Plain();  // pusha, popa, into
        case 0x63: return WithModRM();                                      // arpl / movsxd
        case 0x68: return Plain(Imm::Iz);
        case 0x69: return WithModRM(Imm::Iz);
        case 0x6A: return Plain(Imm::I8);
        case 0x6B: return WithModRM(Imm::I8);
        case 0x6C: case 0x6D: case 0x6E: case 0x6F: return Plain();  // ins, outs
        case 0x80: case 0x83: return WithModRM(Imm::I8);
        case 0x81: return WithModRM(Imm::Iz);
        case 0x82: return x64 ? Unknown() : WithModRM(Imm::I8);
        case 0x8F: return WithModRM();  // pop r/m (group checked by the caller)
        case 0x9B: case 0x9C: case 0x9D: case 0x9E: case 0x9F: return Plain();
        case 0xA0: case 0xA1: case 0xA2: case 0xA3: return Plain(Imm::Moffs);
        case 0xA4: case 0xA5: case 0xA6: case 0xA7: return Plain();  // movs, cmps
        case 0xA8: return Plain(Imm::I8);
        case 0xA9: return Plain(Imm::Iz);
        case 0xAA: case 0xAB: case 0xAC: case 0xAD: case 0xAE: case 0xAF: return Plain();
        case 0xC0: case 0xC1: return WithModRM(Imm::I8);
        case 0xC2: case 0xCA: return Ends(Imm::I16);  // ret imm16, retf imm16
        case 0xC3: case 0xCB: case 0xCF: return Ends();
        case 0xC6: return WithModRM(Imm::I8);
        case 0xC7: return WithModRM(Imm::Iz);
        case 0xC8: return Plain(Imm::Enter);
        case 0xC9: return Plain();  // leave
        case 0xCD: return Plain(Imm::I8);
        case 0xD0: case 0xD1: case 0xD2: case 0xD3: return WithModRM();
        case 0xD4: case 0xD5: return x64 ? Unknown() : Plain(Imm::I8);
        case 0xD7: return Plain();  // xlat
        case 0xE4: case 0xE5: case 0xE6: case 0xE7: return Plain(Imm::I8);
        case 0xE8: return Relative(Branch::Call32, Imm::Iz, false);
        case 0xE9: return Relative(Branch::Jump32, Imm::Iz, true);
        case 0xEB: return Relative(Branch::Jump8, Imm::I8, true);
        case 0xEC: case 0xED: case 0xEE: case 0xEF: return Plain();
        case 0xF5: case 0xF8: case 0xF9: case 0xFA: case 0xFB: case 0xFC: case 0xFD: return Plain();
        case 0xF6: case 0xF7: case 0xFE: case 0xFF: return WithModRM();  // groups, checked by the caller
        default: return Unknown();  // far calls and jumps, loop, jcxz, int3, hlt, VEX/EVEX, bound, ...
    }
}

// The two-byte map (0F xx). The three-byte maps 0F 38 and 0F 3A are unknown.
Opcode TwoByte(uint8_t op) {
    if (op >= 0x80 && op <= 0x8F) return Relative(Branch::Cond32, Imm::Iz, false);
    if ((op >= 0x10 && op <= 0x1F) || (op >= 0x28 && op <= 0x2F) || (op >= 0x40 && op <= 0x6F) ||
        (op >= 0x74 && op <= 0x76) || (op >= 0x90 && op <= 0x9F) || (op >= 0xD0 && op <= 0xFE))
        return WithModRM();
    if (op >= 0x70 && op <= 0x73) return WithModRM(Imm::I8);
    if (op >= 0xC8 && op <= 0xCF) return Plain();  // bswap
    switch (op) {
        case 0x0D: case 0x7E: case 0x7F: case 0xA3: case 0xA5: case 0xAB: case 0xAD: case 0xAE: case 0xAF:
        case 0xB0: case 0xB1: case 0xB3: case 0xB6: case 0xB7: case 0xBB: case 0xBC: case 0xBD: case 0xBE:
        case 0xBF: case 0xC0: case 0xC1: case 0xC3: case 0xC7:
            return WithModRM();
        case 0xA4: case 0xAC: case 0xBA: case 0xC2: case 0xC4: case 0xC5: case 0xC6: return WithModRM(Imm::I8);
        case 0x31: case 0x77: case 0xA2: return Plain();  // rdtsc, emms, cpuid
        default: return Unknown();
    }
}

bool IsLegacyPrefix(uint8_t b) {
    switch (b) {
        case 0xF0: case 0xF2: case 0xF3: case 0x26: case 0x2E: case 0x36: case 0x3E: case 0x64: case 0x65:
        case 0x66: case 0x67:
            return true;
        default:
            return false;
    }
}

// Sub-opcodes in the ModRM reg field that are not plain instructions of the
// group, and the ones that end the path.
bool CheckGroup(bool twoByte, uint8_t op, uint8_t reg, Opcode* info) {
    if (twoByte) return true;
    switch (op) {
        case 0x8F: case 0xC6: case 0xC7: return reg == 0;  // pop; mov (xabort/xbegin otherwise)
        case 0xF6: case 0xF7:
            if (reg < 2) info->imm = op == 0xF6 ? Imm::I8 : Imm::Iz;  // test r/m, imm
            return true;
        case 0xFE: return reg < 2;  // inc, dec
        case 0xFF:
            if (reg == 4 || reg == 5) info->endsPath = true;  // jmp near / far through memory
            return reg != 7;
        default: return true;
    }
}

size_t ImmediateSize(CpuMode mode, Imm imm, bool operand16, bool rexW, bool address32In64) {
    switch (imm) {
        case Imm::None: return 0;
        case Imm::I8: return 1;
        case Imm::I16: return 2;
        case Imm::Iz: return operand16 && !rexW ? 2 : 4;
        case Imm::Iv: return rexW ? 8 : (operand16 ? 2 : 4);
        case Imm::Enter: return 3;
        case Imm::Moffs: return mode == CpuMode::X64 ? (address32In64 ? 4 : 8) : 4;
    }
    return 0;
}

uint64_t Wrap(CpuMode mode, uint64_t address) {
    return mode == CpuMode::X86 ? (address & 0xFFFFFFFFu) : address;
}

void PutRel32(uint8_t* at, int32_t value) { memcpy(at, &value, sizeof(value)); }

int32_t GetRel32(const uint8_t* at) {
    int32_t value = 0;
    memcpy(&value, at, sizeof(value));
    return value;
}

}  // namespace

bool DecodeInstruction(CpuMode mode, const uint8_t* code, size_t available, Instruction* out) {
    const bool x64 = mode == CpuMode::X64;
    if (available > kMaxInstruction) available = kMaxInstruction;
    size_t i = 0;
    bool operand16 = false, address16 = false, anyPrefix = false, rexW = false;
    while (i < available && IsLegacyPrefix(code[i])) {
        operand16 = operand16 || code[i] == 0x66;
        address16 = address16 || code[i] == 0x67;
        anyPrefix = true;
        ++i;
    }
    if (x64 && i < available && (code[i] & 0xF0) == 0x40) {
        rexW = (code[i] & 0x08) != 0;
        anyPrefix = true;
        ++i;
    }
    // 16-bit addressing (0x67 on x86) is never met in prologues.
    if (address16 && !x64) return false;
    if (i >= available) return false;
    const bool twoByte = code[i] == 0x0F;
    if (twoByte && ++i >= available) return false;
    const uint8_t op = code[i++];
    Opcode info = twoByte ? TwoByte(op) : OneByte(mode, op);
    if (!info.known) return false;
    // A prefixed relative branch changes its operand size or carries hints
    // whose meaning differs between processors.
    if (info.branch != Branch::None && anyPrefix) return false;

    Instruction result;
    if (info.modrm) {
        if (i >= available) return false;
        const uint8_t modrm = code[i++];
        const uint8_t mod = modrm >> 6, reg = (modrm >> 3) & 7, rm = modrm & 7;
        if (!CheckGroup(twoByte, op, reg, &info)) return false;
        if (mod != 3) {
            size_t displacement = mod == 1 ? 1 : (mod == 2 ? 4 : 0);
            if (rm == 4) {
                if (i >= available) return false;
                const uint8_t sib = code[i++];
                if (mod == 0 && (sib & 7) == 5) displacement = 4;
            } else if (mod == 0 && rm == 5) {
                displacement = 4;
                if (x64) {
                    if (address16) return false;  // eip-relative: never met
                    result.ripRelative = true;
                    result.displacementOffset = i;
                }
            }
            i += displacement;
        }
    }
    if (info.branch != Branch::None) result.displacementOffset = i;
    i += ImmediateSize(mode, info.imm, operand16, rexW, address16);
    if (i > available) return false;

    result.length = i;
    result.endsPath = info.endsPath;
    result.branch = info.branch;
    if (info.branch == Branch::Cond8 || info.branch == Branch::Cond32) result.condition = op & 0x0F;
    *out = result;
    return true;
}

bool Rel32(CpuMode mode, uint64_t next, uint64_t destination, int32_t* displacement) {
    if (mode == CpuMode::X86) {
        *displacement = static_cast<int32_t>(static_cast<uint32_t>(destination - next));
        return true;
    }
    const int64_t distance = static_cast<int64_t>(destination - next);
    if (distance < INT32_MIN || distance > INT32_MAX) return false;
    *displacement = static_cast<int32_t>(distance);
    return true;
}

bool WriteJump32(CpuMode mode, uint8_t* out, uint64_t at, uint64_t destination) {
    int32_t displacement = 0;
    if (!Rel32(mode, Wrap(mode, at + kJump32Size), destination, &displacement)) return false;
    out[0] = 0xE9;
    PutRel32(out + 1, displacement);
    return true;
}

bool RelocateInstructions(CpuMode mode, const uint8_t* code, size_t available, uint64_t from, size_t minBytes,
                          uint8_t* out, size_t outSize, uint64_t to, Relocation* result) {
    Relocation done;
    std::vector<uint64_t> destinations;
    while (done.taken < minBytes) {
        Instruction ins;
        if (!DecodeInstruction(mode, code + done.taken, available - done.taken, &ins)) return false;
        // Bytes after a ret or jmp may be another function's: never take them.
        if (ins.endsPath && done.taken + ins.length < minBytes) return false;
        const uint8_t* source = code + done.taken;
        const uint64_t next = Wrap(mode, from + done.taken + ins.length);
        const uint64_t outAt = Wrap(mode, to + done.written);
        size_t length = ins.length;
        if (ins.branch == Branch::Jump8 || ins.branch == Branch::Cond8) length = ins.branch == Branch::Jump8 ? 5 : 6;
        if (done.written + length > outSize) return false;
        uint8_t* target = out + done.written;
        const uint64_t outNext = Wrap(mode, outAt + length);
        int32_t displacement = 0;
        switch (ins.branch) {
            case Branch::None: {
                memcpy(target, source, ins.length);
                if (!ins.ripRelative) break;
                const uint64_t referenced = next + static_cast<int64_t>(GetRel32(source + ins.displacementOffset));
                if (!Rel32(mode, outNext, referenced, &displacement)) return false;
                PutRel32(target + ins.displacementOffset, displacement);
                break;
            }
            case Branch::Jump8:
            case Branch::Cond8: {
                const uint64_t destination = Wrap(mode, next + static_cast<int8_t>(source[ins.displacementOffset]));
                if (!Rel32(mode, outNext, destination, &displacement)) return false;
                if (ins.branch == Branch::Jump8) {
                    target[0] = 0xE9;
                } else {
                    target[0] = 0x0F;
                    target[1] = static_cast<uint8_t>(0x80 | ins.condition);
                }
                PutRel32(target + length - 4, displacement);
                destinations.push_back(destination);
                break;
            }
            case Branch::Jump32:
            case Branch::Call32:
            case Branch::Cond32: {
                const uint64_t destination =
                    Wrap(mode, next + static_cast<int64_t>(GetRel32(source + ins.displacementOffset)));
                if (!Rel32(mode, outNext, destination, &displacement)) return false;
                memcpy(target, source, ins.length);
                PutRel32(target + ins.displacementOffset, displacement);
                destinations.push_back(destination);
                break;
            }
        }
        done.starts.emplace_back(done.taken, done.written);
        done.taken += ins.length;
        done.written += length;
    }
    // A branch into the taken bytes would land in the middle of the patch.
    for (uint64_t destination : destinations) {
        if (destination >= from && destination < from + done.taken) return false;
    }
    *result = std::move(done);
    return true;
}

}  // namespace detours
