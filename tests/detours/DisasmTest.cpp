// The prologue decoder and relocation, in both modes, on byte strings at
// made-up addresses: the 32-bit rules are checked by the 64-bit build too.
#include "Disasm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using detours::Branch;
using detours::CpuMode;
using Bytes = std::vector<uint8_t>;

const CpuMode X86 = CpuMode::X86;
const CpuMode X64 = CpuMode::X64;

std::string Hex(const uint8_t* bytes, size_t count) {
    std::string text;
    char part[4];
    for (size_t i = 0; i < count; ++i) {
        snprintf(part, sizeof(part), "%02x ", bytes[i]);
        text += part;
    }
    return text;
}

size_t Length(CpuMode mode, const Bytes& bytes) {
    detours::Instruction ins;
    return detours::DecodeInstruction(mode, bytes.data(), bytes.size(), &ins) ? ins.length : 0;
}

int32_t Rel32At(const uint8_t* at) {
    int32_t value = 0;
    memcpy(&value, at, sizeof(value));
    return value;
}

TEST(Disasm, LengthsOfPrologueInstructions) {
    struct Case {
        CpuMode mode;
        Bytes bytes;
        size_t length;
    } cases[] = {
        {X64, {0x55}, 1},                                                // push rbp
        {X64, {0x41, 0x54}, 2},                                          // push r12
        {X64, {0x48, 0x83, 0xEC, 0x48}, 4},                              // sub rsp, 0x48
        {X64, {0x48, 0x8D, 0x3D, 0xE1, 0xA1, 0, 0}, 7},                  // lea rdi, [rip+x]
        {X64, {0x48, 0x89, 0xCB}, 3},                                    // mov rbx, rcx
        {X64, {0x48, 0xB8, 1, 2, 3, 4, 5, 6, 7, 8}, 10},                 // mov rax, imm64
        {X64, {0xB8, 1, 2, 3, 4}, 5},                                    // mov eax, imm32
        {X64, {0x66, 0x0F, 0x1F, 0x44, 0, 0}, 6},                        // nop word [rax+rax]
        {X64, {0x0F, 0x1F, 0x80, 0, 0, 0, 0}, 7},                        // nop dword [rax+0]
        {X64, {0x48, 0xC7, 0x05, 1, 2, 3, 4, 5, 6, 7, 8}, 11},           // mov qword [rip+x], imm32
        {X64, {0xF6, 0x05, 1, 2, 3, 4, 0x80}, 7},                        // test byte [rip+x], imm8
        {X64, {0x48, 0xA1, 1, 2, 3, 4, 5, 6, 7, 8}, 10},                 // mov rax, [moffs64]
        {X64, {0x48, 0x89, 0x5C, 0x24, 0x08}, 5},                        // mov [rsp+8], rbx
        {X64, {0x48, 0x81, 0xEC, 0x00, 0x01, 0, 0}, 7},                  // sub rsp, 0x100
        {X64, {0xFF, 0x25, 1, 2, 3, 4}, 6},                              // jmp [rip+x]
        {X64, {0x65, 0x48, 0x8B, 0x04, 0x25, 0x30, 0, 0, 0}, 9},         // mov rax, gs:[0x30]
        {X86, {0x8D, 0x4C, 0x24, 0x04}, 4},                              // lea ecx, [esp+4]
        {X86, {0x83, 0xE4, 0xF0}, 3},                                    // and esp, -16
        {X86, {0xFF, 0x71, 0xFC}, 3},                                    // push [ecx-4]
        {X86, {0x8B, 0xFF}, 2},                                          // mov edi, edi
        {X86, {0x89, 0xE5}, 2},                                          // mov ebp, esp
        {X86, {0x81, 0xEC, 0x00, 0x01, 0, 0}, 6},                        // sub esp, 0x100
        {X86, {0x66, 0xB8, 1, 2}, 4},                                    // mov ax, imm16
        {X86, {0x64, 0xA1, 0, 0, 0, 0}, 6},                              // mov eax, fs:[0]
        {X86, {0xC7, 0x44, 0x24, 0x08, 1, 2, 3, 4}, 8},                  // mov dword [esp+8], imm32
        {X86, {0xF7, 0xC1, 1, 2, 3, 4}, 6},                              // test ecx, imm32
        {X86, {0xF7, 0xD8}, 2},                                          // neg eax
        {X86, {0xC8, 0x10, 0x00, 0x00}, 4},                              // enter 16, 0
        {X86, {0x8B, 0x05, 1, 2, 3, 4}, 6},                              // mov eax, [abs32]
        {X86, {0x8B, 0x04, 0x85, 1, 2, 3, 4}, 7},                        // mov eax, [eax*4+disp32]
        {X86, {0x48}, 1},                                                // dec eax
        {X86, {0x0F, 0xB6, 0x45, 0x08}, 4},                              // movzx eax, byte [ebp+8]
        {X86, {0xE8, 1, 2, 3, 4}, 5},                                    // call rel32
        {X86, {0x6A, 0xFE}, 2},                                          // push -2
        {X86, {0x68, 1, 2, 3, 4}, 5},                                    // push imm32
        {X86, {0x66, 0x68, 1, 2}, 4},                                    // push imm16
        {X64, {0x6A, 0x08}, 2},                                          // push 8
        {X64, {0x68, 1, 2, 3, 4}, 5},                                    // push imm32 (sign-extended)
        {X64, {0x48, 0x68, 1, 2, 3, 4}, 6},                              // the same with REX.W
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.length, Length(c.mode, c.bytes))
            << (c.mode == X64 ? "x64 " : "x86 ") << Hex(c.bytes.data(), c.bytes.size());
    }
}

TEST(Disasm, RefusesWhatItDoesNotKnow) {
    struct Case {
        CpuMode mode;
        Bytes bytes;
    } cases[] = {
        {X64, {0xCC}},                          // int3
        {X86, {0xE2, 0xFE}},                    // loop
        {X86, {0xE3, 0x10}},                    // jecxz
        {X86, {0x9A, 1, 2, 3, 4, 5, 6}},        // call far
        {X64, {0xC5, 0xF8, 0x77}},              // vzeroupper (VEX)
        {X64, {0x62, 0xF1, 0x7C, 0x48, 0x10, 0x00}},  // EVEX
        {X64, {0x06}},                          // push es: not in 64-bit mode
        {X64, {0x0F, 0x0B}},                    // ud2
        {X64, {0x0F, 0x38, 0x00, 0xC1}},        // three-byte map
        {X86, {0x66, 0xE9, 1, 2}},              // jmp rel16
        {X86, {0x3E, 0x74, 0x10}},              // je with a hint prefix
        {X86, {0xF4}},                          // hlt
        {X86, {0xFF, 0xF8}},                    // FF /7
        {X86, {0xFE, 0xD0}},                    // FE /2
        {X86, {0x67, 0x8B, 0x07}},              // 16-bit addressing
        {X64, {0x67, 0x8B, 0x05, 1, 2, 3, 4}},  // eip-relative
        {X64, {0x48, 0x48, 0x89, 0xC8}},        // two REX prefixes
        {X64, {0xC7, 0xF8, 1, 2, 3, 4}},        // xbegin
        {X64, {0x48, 0x8D, 0x3D, 0xE1, 0xA1}},  // cut short
        {X64, {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x90}},  // 16 bytes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(0u, Length(c.mode, c.bytes)) << (c.mode == X64 ? "x64 " : "x86 ") << Hex(c.bytes.data(), c.bytes.size());
    }
}

struct Relocated {
    bool ok = false;
    detours::Relocation relocation;
    uint8_t out[48] = {};
};

Relocated Relocate(CpuMode mode, const Bytes& code, uint64_t from, uint64_t to, size_t outSize = 48) {
    Relocated r;
    r.ok = detours::RelocateInstructions(mode, code.data(), code.size(), from, 5, r.out, outSize, to, &r.relocation);
    return r;
}

TEST(Disasm, RelocatesTheProloguesOfTheSoundExportsAndOfExceptionHandlers) {
    // Wine's x86-64 waveOutWrite and midiStreamOut, and its i386 exports.
    const Bytes wave64 = {0x55, 0x57, 0x56, 0x53, 0x48, 0x83, 0xEC, 0x48, 0x48, 0x8D, 0x3D};
    const Bytes midi64 = {0x41, 0x54, 0x55, 0x57, 0x56, 0x53, 0x48, 0x83, 0xEC, 0x50};
    const Bytes any32 = {0x8D, 0x4C, 0x24, 0x04, 0x83, 0xE4, 0xF0, 0xFF, 0x71, 0xFC};
    // Frames with an exception-handler record: push ebp; mov ebp, esp;
    // push -1; push handler; mov eax, fs:[0] ...
    const Bytes frame32 = {0x55, 0x8B, 0xEC, 0x6A, 0xFF, 0x68, 1, 2, 3, 4, 0x64, 0xA1, 0, 0, 0, 0};
    // ... and push size; push scope table; call the prologue helper.
    const Bytes helper32 = {0x6A, 0x10, 0x68, 1, 2, 3, 4, 0xE8, 1, 2, 3, 4};
    // ... and push scope table; push size (larger than a byte); call.
    const Bytes large32 = {0x68, 1, 2, 3, 4, 0x68, 0, 1, 0, 0, 0xE8, 1, 2, 3, 4};
    struct Case {
        CpuMode mode;
        const Bytes* code;
        uint64_t from, to;
        size_t taken;
    } cases[] = {
        {X64, &wave64, 0x2945FA3A0, 0x294610000, 8},
        {X64, &midi64, 0x2946007E0, 0x2945F0000, 5},
        {X86, &any32, 0x6F25BC30, 0x00410000, 7},
        {X86, &frame32, 0x00401000, 0x00410000, 5},
        {X86, &helper32, 0x00401000, 0x00410000, 7},
        {X86, &large32, 0x00401000, 0x00410000, 5},
    };
    for (const Case& c : cases) {
        Relocated r = Relocate(c.mode, *c.code, c.from, c.to);
        ASSERT_TRUE(r.ok) << Hex(c.code->data(), c.code->size());
        EXPECT_EQ(c.taken, r.relocation.taken);
        EXPECT_EQ(c.taken, r.relocation.written);
        EXPECT_EQ(0, memcmp(c.code->data(), r.out, c.taken));  // position-independent: copied as is
    }
}

TEST(Disasm, RewritesRipRelativeOperandsAndRefusesThemOutOfReach) {
    const Bytes code = {0x48, 0x8D, 0x3D, 0xE1, 0xA1, 0x00, 0x00};  // lea rdi, [rip+0xa1e1]
    const uint64_t from = 0x2945FA3A8, referenced = from + 7 + 0xA1E1;
    Relocated r = Relocate(X64, code, from, 0x294700000);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(7u, r.relocation.written);
    EXPECT_EQ(0, memcmp(code.data(), r.out, 3));
    EXPECT_EQ(static_cast<int64_t>(referenced - (0x294700000 + 7)), Rel32At(r.out + 3));

    EXPECT_FALSE(Relocate(X64, code, from, from + 0x100000000).ok);
}

TEST(Disasm, RewritesRelativeCallsAndJumps) {
    // x86: a call wraps around the 32-bit space and always reaches.
    const Bytes call = {0xE8, 0x10, 0x00, 0x00, 0x00};
    Relocated r = Relocate(X86, call, 0x00401000, 0x7FFE0000);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(0xE8, r.out[0]);
    EXPECT_EQ(static_cast<int32_t>(0x00401015u - 0x7FFE0005u), Rel32At(r.out + 1));

    // x86-64: a call out of reach of the copy is refused.
    EXPECT_FALSE(Relocate(X64, call, 0x140001000, 0x7FF000000000).ok);

    // A short jump ending the prologue becomes E9 rel32.
    const Bytes jump = {0x55, 0x48, 0x89, 0xE5, 0xEB, 0x10};  // push rbp; mov rbp, rsp; jmp +0x10
    r = Relocate(X64, jump, 0x140001000, 0x140200000);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(6u, r.relocation.taken);
    EXPECT_EQ(9u, r.relocation.written);
    EXPECT_EQ(0xE9, r.out[4]);
    EXPECT_EQ(static_cast<int64_t>(0x140001000 + 6 + 0x10) - static_cast<int64_t>(0x140200000 + 9), Rel32At(r.out + 5));
}

TEST(Disasm, ShortConditionalBecomesNearAndInstructionStartsAreMapped) {
    const Bytes code = {0x85, 0xC9, 0x74, 0x20, 0x90, 0x90};  // test ecx, ecx; je +0x20; nop
    for (CpuMode mode : {X86, X64}) {
        Relocated r = Relocate(mode, code, 0x10001000, 0x20002000);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(5u, r.relocation.taken);
        EXPECT_EQ(9u, r.relocation.written);
        EXPECT_EQ(0x0F, r.out[2]);
        EXPECT_EQ(0x84, r.out[3]);
        EXPECT_EQ(static_cast<int32_t>(0x10001004 + 0x20 - (0x20002000 + 8)), Rel32At(r.out + 4));
        EXPECT_EQ(0x90, r.out[8]);
        const std::vector<std::pair<size_t, size_t>> starts = {{0, 0}, {2, 2}, {4, 8}};
        EXPECT_EQ(starts, r.relocation.starts);
    }
}

TEST(Disasm, RefusesProloguesThatCannotMove) {
    const uint64_t from = 0x10001000, to = 0x10100000;
    // A branch back into the bytes the patch covers.
    EXPECT_FALSE(Relocate(X86, {0x31, 0xC0, 0x74, 0xFC, 0x90, 0x90}, from, to).ok);
    // A function that returns before five bytes: what follows is not its own.
    EXPECT_FALSE(Relocate(X86, {0x31, 0xC0, 0xC3, 0xCC, 0xCC, 0xCC}, from, to).ok);
    EXPECT_FALSE(Relocate(X64, {0xC3, 0x90, 0x90, 0x90, 0x90}, from, to).ok);
    // A return that ends exactly at five bytes is whole.
    EXPECT_TRUE(Relocate(X64, {0x48, 0x31, 0xC0, 0x90, 0xC3}, from, to).ok);
    // An unknown instruction inside the five bytes.
    EXPECT_FALSE(Relocate(X64, {0x55, 0x0F, 0x0B, 0x90, 0x90}, from, to).ok);
    // No room for the copy.
    EXPECT_FALSE(Relocate(X64, {0x85, 0xC9, 0x74, 0x20, 0x90}, from, to, 8).ok);
}

}  // namespace
