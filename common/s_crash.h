// s_crash.h -- the fault translator: hardware faults become logged, catchable exceptions.
//
// A fault inside a guarded body (an access violation, a division by zero, an illegal instruction)
// is written to the log with its Windows name and code and then continues as a thrown int 1, which
// the body's catch-all reports as "Exception". A fault with no guarded body on the stack still ends
// the process. Only the installing thread can report a stack overflow: the alternate stack the
// report runs on is set up for that thread alone.
#pragma once

#include <cstdint>

// The parts of a Windows exception record that the log prints.
struct ExceptionRecord {
    uint32_t code;
    uint32_t flags;
    uint32_t paramCount;
};

namespace ExceptionCode {
constexpr uint32_t AccessViolation = 0xC0000005;
constexpr uint32_t Breakpoint = 0x80000003;
constexpr uint32_t DatatypeMisalignment = 0x80000002;
constexpr uint32_t SingleStep = 0x80000004;
constexpr uint32_t ArrayBoundsExceeded = 0xC000008C;
constexpr uint32_t FltDenormalOperand = 0xC000008D;
constexpr uint32_t FltDivideByZero = 0xC000008E;
constexpr uint32_t FltInexactResult = 0xC000008F;
constexpr uint32_t FltInvalidOperation = 0xC0000090;
constexpr uint32_t FltOverflow = 0xC0000091;
constexpr uint32_t FltStackCheck = 0xC0000092;
constexpr uint32_t FltUnderflow = 0xC0000093;
constexpr uint32_t IntDivideByZero = 0xC0000094;
constexpr uint32_t IntOverflow = 0xC0000095;
constexpr uint32_t PrivInstruction = 0xC0000096;
constexpr uint32_t InPageError = 0xC0000006;
constexpr uint32_t IllegalInstruction = 0xC000001D;
constexpr uint32_t NoncontinuableException = 0xC0000025;
constexpr uint32_t StackOverflow = 0xC00000FD;
}  // namespace ExceptionCode

// Logs the fault's two lines and throws int 1; never returns.
[[noreturn]] void ExceptionTranslator(uint32_t code, const ExceptionRecord& record);

// Routes SIGSEGV, SIGFPE, SIGILL, SIGBUS and SIGTRAP to the translator.
void InstallExceptionTranslator();
