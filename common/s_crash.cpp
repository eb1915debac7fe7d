// s_crash.cpp -- the fault translator: hardware faults become logged, catchable exceptions.
//
// The signal handler runs on the faulting thread and throws straight out of the signal frame,
// which the build allows with -fnon-call-exceptions (GCC's unwinder steps through signal frames).
// Signals are not blocked while the handler runs (SA_NODEFER), since a thrown exception never
// returns through sigreturn to unblock them. A small alternate stack lets a stack overflow be
// reported too.
#include "common/s_crash.h"

#include <csignal>
#include <cstdlib>
#include <initializer_list>

#include "common/s_appIdentity.h"
#include "common/s_log.h"

namespace {

struct CodeName {
    uint32_t code;
    const char* line;
};

const CodeName kNamedCodes[] = {
    {ExceptionCode::AccessViolation, "*** EXCEPTION_ACCESS_VIOLATION"},
    {ExceptionCode::Breakpoint, "*** EXCEPTION_BREAKPOINT"},
    {ExceptionCode::DatatypeMisalignment, "*** EXCEPTION_DATATYPE_MISALIGNMENT"},
    {ExceptionCode::SingleStep, "*** EXCEPTION_SINGLE_STEP"},
    {ExceptionCode::ArrayBoundsExceeded, "*** EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {ExceptionCode::FltDenormalOperand, "*** EXCEPTION_FLT_DENORMAL_OPERAND"},
    {ExceptionCode::FltDivideByZero, "*** EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {ExceptionCode::FltInexactResult, "*** EXCEPTION_FLT_INEXACT_RESULT"},
    {ExceptionCode::FltInvalidOperation, "*** EXCEPTION_FLT_INVALID_OPERATION"},
    {ExceptionCode::FltOverflow, "*** EXCEPTION_FLT_OVERFLOW"},
    {ExceptionCode::FltStackCheck, "*** EXCEPTION_FLT_STACK_CHECK"},
    {ExceptionCode::FltUnderflow, "*** EXCEPTION_FLT_UNDERFLOW"},
    {ExceptionCode::IntDivideByZero, "*** EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {ExceptionCode::IntOverflow, "*** EXCEPTION_INT_OVERFLOW"},
    {ExceptionCode::PrivInstruction, "*** EXCEPTION_PRIV_INSTRUCTION"},
    {ExceptionCode::IllegalInstruction, "*** EXCEPTION_ILLEGAL_INSTRUCTION"},
    {ExceptionCode::NoncontinuableException, "*** EXCEPTION_NONCONTINUABLE_EXCEPTION"},
};

uint32_t CodeOfSignal(int signal, const siginfo_t* info) {
    switch (signal) {
    case SIGFPE:
        switch (info->si_code) {
        case FPE_INTDIV: return ExceptionCode::IntDivideByZero;
        case FPE_INTOVF: return ExceptionCode::IntOverflow;
        case FPE_FLTDIV: return ExceptionCode::FltDivideByZero;
        case FPE_FLTOVF: return ExceptionCode::FltOverflow;
        case FPE_FLTUND: return ExceptionCode::FltUnderflow;
        case FPE_FLTRES: return ExceptionCode::FltInexactResult;
        case FPE_FLTSUB: return ExceptionCode::ArrayBoundsExceeded;
        default: return ExceptionCode::FltInvalidOperation;
        }
    case SIGILL: return info->si_code == ILL_PRVOPC ? ExceptionCode::PrivInstruction : ExceptionCode::IllegalInstruction;
    case SIGBUS: return info->si_code == BUS_ADRALN ? ExceptionCode::DatatypeMisalignment : ExceptionCode::InPageError;
    case SIGTRAP: return info->si_code == TRAP_TRACE ? ExceptionCode::SingleStep : ExceptionCode::Breakpoint;
    default: return ExceptionCode::AccessViolation;
    }
}

// A fault whose address lies near the stack pointer is the stack running into its guard.
bool IsStackOverflow(const siginfo_t* info, const void* context) {
#if defined(__x86_64__)
    const auto* machine = static_cast<const ucontext_t*>(context);
    auto faultAddress = reinterpret_cast<uintptr_t>(info->si_addr);
    auto stackPointer = uintptr_t(machine->uc_mcontext.gregs[REG_RSP]);
    return faultAddress + 65536 >= stackPointer && faultAddress <= stackPointer + 65536;
#else
    (void)info;
    (void)context;
    return false;  // reported as an access violation
#endif
}

void OnFault(int signal, siginfo_t* info, void* context) {
    uint32_t code = CodeOfSignal(signal, info);
    if (signal == SIGSEGV && IsStackOverflow(info, context))
        code = ExceptionCode::StackOverflow;
    // An access violation carries two parameters on Windows: the kind of access and the address.
    ExceptionRecord record{code, 0, code == ExceptionCode::AccessViolation ? 2u : 0u};
    ExceptionTranslator(code, record);
}

}  // namespace

void ExceptionTranslator(uint32_t code, const ExceptionRecord& record) {
    const char* line = nullptr;
    for (const CodeName& named : kNamedCodes) {
        if (named.code == code)
            line = named.line;
    }
    if (line)
        gLog.Write(0, nullptr, 0, "%s", line);
    else
        gLog.Write(0, nullptr, 0, "*** UNKNOWN EXCEPTION TYPE: %u", code);
    gLog.Write(0, nullptr, 0, "*** CODE: 0x%X, FLAGS: %u, PARAMCNT: %u, App: %s", record.code, record.flags,
               record.paramCount, kAppName);
    throw 1;
}

void InstallExceptionTranslator() {
    static char alternateStack[64 * 1024];
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof(alternateStack);
    sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGFPE, SIGILL, SIGBUS, SIGTRAP})
        sigaction(signal, &action, nullptr);
}
