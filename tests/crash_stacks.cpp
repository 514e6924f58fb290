// Linked into the test programs that drive Mesa: on a fatal signal the test
// process prints every thread's stack to standard error before it dies, so
// that a crash seen once on another machine leaves more behind than CTest's
// "SegFault". The stacks come from gdb, attached to the dying process, where
// gdb is installed; the crashing thread's own return addresses are printed
// first in any case.
//
// Compile workers forked from a test die by signal on purpose in some tests
// (and are reported by the program as compile errors); they print nothing.
// Builds under AddressSanitizer keep its reports and install nothing here.

#include "address_sanitizer.h"

#if !defined(FXDEMO_ADDRESS_SANITIZER)

#include <execinfo.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>

namespace {

pid_t testProcess = 0;

void Write(const char* text)
{
    if (::write(STDERR_FILENO, text, std::strlen(text)) < 0) {
    }
}

// Decimal digits of a process id, without the allocator.
void FormatPid(pid_t pid, char (&text)[16])
{
    char reversed[16];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + pid % 10);
        pid /= 10;
    } while (pid > 0 && n < 15);
    for (int i = 0; i < n; ++i)
        text[i] = reversed[n - 1 - i];
    text[n] = '\0';
}

void OnFatalSignal(int signal)
{
    if (::getpid() == testProcess) {
        Write("\n*** the test process got a fatal signal: ");
        Write(::strsignal(signal));
        Write("; the crashing thread's return addresses:\n");
        void* frames[64];
        ::backtrace_symbols_fd(frames, ::backtrace(frames, 64), STDERR_FILENO);

        char pid[16];
        FormatPid(testProcess, pid);
        Write("*** every thread's stack, from gdb:\n");
        // _Fork runs no atfork handlers, which could wait on a lock the
        // crashing thread holds; a gdb that hangs is cut short by the alarm.
        const pid_t debugger = ::_Fork();
        if (debugger == 0) {
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
            ::execlp("gdb", "gdb", "-batch", "-nx", "-p", pid, "-ex", "thread apply all bt", static_cast<char*>(nullptr));
            Write("*** gdb is not installed\n");
            ::_exit(127);
        }
        ::alarm(120);
        if (debugger > 0)
            while (::waitpid(debugger, nullptr, 0) < 0 && errno == EINTR) {
            }
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

[[maybe_unused]] const bool installed = [] {
    testProcess = ::getpid();
    // Where Yama restricts ptrace to a process's descendants, let gdb, a
    // child of the crashing process, attach to its parent.
    ::prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    // backtrace() loads libgcc on its first call; do that now, not in a handler.
    void* frame;
    ::backtrace(&frame, 1);
    struct sigaction action {};
    action.sa_handler = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        ::sigaction(signal, &action, nullptr);
    return true;
}();

} // namespace

#endif
