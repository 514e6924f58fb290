#include "platform/hlsl/isolated_compile.h"

#include "platform/hlsl/byte_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hlsl {

namespace {

using Clock = std::chrono::steady_clock;

// Free heap the worker keeps for the next compile; more is given back.
constexpr std::size_t kFreeHeapKept = std::size_t{32} << 20;

// ---- Messages between the program and the worker -----------------------------
// Each is a 32-bit little-endian length and that many bytes.

// The request, and the program's working directory, which #include
// resolves against and the worker takes on for each compile.
std::vector<std::uint8_t> EncodeRequest(const CompileRequest& request)
{
    std::error_code ignored;
    ByteWriter out;
    out.Text(std::filesystem::current_path(ignored).string());
    out.Text(request.file);
    out.Text(request.source);
    out.Text(request.entryPoint);
    out.Text(request.profile);
    out.U32(static_cast<std::uint32_t>(request.macros.size()));
    for (const Macro& macro : request.macros) {
        out.Text(macro.name);
        out.Text(macro.definition);
    }
    return out.Take();
}

std::optional<CompileRequest> DecodeRequest(std::string_view bytes, std::string* directory)
{
    ByteReader in(bytes);
    CompileRequest request;
    std::uint32_t macros = 0;
    if (!in.Text(directory) || !in.Text(&request.file) || !in.Text(&request.source) || !in.Text(&request.entryPoint)
        || !in.Text(&request.profile) || !in.U32(&macros))
        return std::nullopt;
    for (std::uint32_t i = 0; i < macros; ++i) {
        Macro macro;
        if (!in.Text(&macro.name) || !in.Text(&macro.definition))
            return std::nullopt;
        request.macros.push_back(std::move(macro));
    }
    return in.AtEnd() ? std::optional(std::move(request)) : std::nullopt;
}

// 'C' and a container, or 'E' and the diagnostics.
std::vector<std::uint8_t> EncodeResult(const CompileResult& result)
{
    ByteWriter out;
    if (result.container) {
        out.Raw("C");
        out.Raw(SerializeContainer(*result.container));
        return out.Take();
    }
    out.Raw("E");
    out.U32(static_cast<std::uint32_t>(result.errors.size()));
    for (const Diagnostic& error : result.errors) {
        out.Text(error.position.file);
        out.U32(static_cast<std::uint32_t>(error.position.line));
        out.U32(static_cast<std::uint32_t>(error.position.column));
        out.Text(error.message);
    }
    return out.Take();
}

// The container is checked here, once, and handed on as the worker wrote it.
std::optional<IsolatedResult> DecodeResult(std::string_view bytes)
{
    ByteReader in(bytes);
    std::span<const std::uint8_t> kind;
    if (!in.Raw(1, &kind))
        return std::nullopt;
    IsolatedResult result;
    if (kind[0] == 'C') {
        if (!ParseContainer(in.Rest()))
            return std::nullopt;
        result.code.assign(in.Rest().begin(), in.Rest().end());
        return result;
    }
    std::uint32_t count = 0;
    if (kind[0] != 'E' || !in.U32(&count) || count == 0)
        return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        Diagnostic error;
        if (!in.Text(&error.position.file) || !in.Int(&error.position.line) || !in.Int(&error.position.column)
            || !in.Text(&error.message))
            return std::nullopt;
        result.errors.push_back(std::move(error));
    }
    return in.AtEnd() ? std::optional(std::move(result)) : std::nullopt;
}

// Sends one message; never raises SIGPIPE when the other side has gone.
bool SendMessage(int socket, std::span<const std::uint8_t> body)
{
    ByteWriter out;
    out.U32(static_cast<std::uint32_t>(body.size()));
    out.Raw(body);
    const std::vector<std::uint8_t>& frame = out.Bytes();
    for (std::size_t sent = 0; sent < frame.size();) {
        const ssize_t n = ::send(socket, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

enum class Received { Message, Closed, TimedOut, OutOfMemory };

// Resident bytes of a process, from /proc/<pid>/statm; 0 where unknown.
std::size_t ResidentBytes(const std::string& statm)
{
    const int file = ::open(statm.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return 0;
    char text[128];
    const ssize_t n = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (n <= 0)
        return 0;
    text[n] = '\0';
    unsigned long long resident = 0; // in pages, after the total size
    if (std::sscanf(text, "%*s %llu", &resident) != 1)
        return 0;
    return static_cast<std::size_t>(resident) * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// What a wait for the worker's answer watches: the time limit, and the
// worker's resident memory, read every kMemoryCheckInterval.
struct Watch {
    Clock::time_point deadline;
    const std::string& statm;
    std::size_t residentLimit = 0;
};

constexpr std::chrono::milliseconds kMemoryCheckInterval{10};

// Reads exactly `size` bytes, within the watch's limits when there is one.
Received ReadExactly(int socket, std::size_t size, std::string* into, const Watch* watch)
{
    into->resize(size);
    for (std::size_t got = 0; got < size;) {
        if (watch) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(watch->deadline - Clock::now());
            if (left.count() <= 0)
                return Received::TimedOut;
            pollfd ready{socket, POLLIN, 0};
            const int polled = ::poll(&ready, 1, static_cast<int>(std::min(left, kMemoryCheckInterval).count()));
            if (polled < 0 && errno == EINTR)
                continue;
            if (ResidentBytes(watch->statm) > watch->residentLimit)
                return Received::OutOfMemory;
            if (polled == 0)
                continue;
        }
        const ssize_t n = ::recv(socket, into->data() + got, size - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Received::Closed;
        got += static_cast<std::size_t>(n);
    }
    return Received::Message;
}

Received ReceiveMessage(int socket, std::string* body, const Watch* watch = nullptr)
{
    std::string header;
    const Received status = ReadExactly(socket, 4, &header, watch);
    if (status != Received::Message)
        return status;
    std::uint32_t size = 0;
    ByteReader(header).U32(&size);
    return ReadExactly(socket, size, body, watch);
}

// ---- The worker -----------------------------------------------------------------

[[noreturn]] void ServeCompiles(int socket)
{
    for (;;) {
        std::string message;
        if (ReceiveMessage(socket, &message) != Received::Message)
            _exit(0); // the program has ended
        std::string directory;
        const std::optional<CompileRequest> request = DecodeRequest(message, &directory);
        if (!request)
            _exit(4);
        if (!directory.empty() && ::chdir(directory.c_str()) != 0) {
            // Includes then fail to open, and say so.
        }
        std::vector<std::uint8_t> answer;
        try {
            answer = EncodeResult(CompileHlsl(*request));
        } catch (...) {
            _exit(2);
        }
        if (!SendMessage(socket, answer))
            _exit(0);
        // What a large file's compile freed goes back to the system, not kept
        // by glibc for a next compile that may never need it. Not after every
        // compile: the next one would fault the same pages in again.
        if (::mallinfo2().fordblks > kFreeHeapKept)
            ::malloc_trim(0);
    }
}

class Worker {
public:
    IsolatedResult Compile(const CompileRequest& request, std::chrono::milliseconds timeLimit)
    {
        const std::lock_guard lock(mutex_);
        const std::vector<std::uint8_t> message = EncodeRequest(request);
        // The memory limit is on what this compile adds to what the worker
        // held before it.
        std::size_t before = Running() ? ResidentBytes(statm_) : 0;
        // A worker that has gone since the last compile is replaced once.
        if (!Running() || !SendMessage(socket_, message)) {
            Stop();
            // A new worker begins as a copy of this process, with its pages.
            before = ResidentBytes("/proc/self/statm");
            if (!Start())
                return CompileHere(request);
            if (!SendMessage(socket_, message)) {
                Stop();
                return CompileHere(request);
            }
        }
        std::string answer;
        const Watch watch{Clock::now() + timeLimit, statm_, before + kCompileMemoryLimit};
        switch (ReceiveMessage(socket_, &answer, &watch)) {
        case Received::Message:
            if (std::optional<IsolatedResult> result = DecodeResult(answer))
                return std::move(*result);
            Stop();
            return Failure(request, "the compiler failed on this file without a message");
        case Received::TimedOut:
            if (const int stopped = StoppedBy(); stopped != 0) {
                Stop();
                return Failure(request, "the compiler process was stopped from outside by " + SignalName(stopped)
                                            + " and did not finish; compile again");
            }
            Stop();
            return Failure(request, "compiling took more than " + Duration(timeLimit) + " and was stopped");
        case Received::OutOfMemory:
            Stop();
            return Failure(request, "compiling took more than " + std::to_string(kCompileMemoryLimit >> 20)
                                        + " MiB of memory and was stopped");
        case Received::Closed:
            break;
        }
        const int status = Stop();
        if (WIFSIGNALED(status) && IsFault(WTERMSIG(status)))
            return Failure(request, std::string("the compiler crashed on this file (") + ::strsignal(WTERMSIG(status))
                                        + "); the source has an error it could not report");
        if (WIFSIGNALED(status))
            return Failure(request, "the compiler process was killed from outside by " + SignalName(WTERMSIG(status))
                                        + " before it finished; this says nothing about the file: compile again");
        return Failure(request, "the compiler failed on this file without a message");
    }

private:
    static IsolatedResult CompileHere(const CompileRequest& request)
    {
        CompileResult compiled = CompileHlsl(request);
        IsolatedResult result;
        result.errors = std::move(compiled.errors);
        if (compiled.container)
            result.code = SerializeContainer(*compiled.container);
        return result;
    }

    static IsolatedResult Failure(const CompileRequest& request, std::string message)
    {
        IsolatedResult result;
        result.errors.push_back(MakeDiagnostic({request.file, 1, 1}, std::move(message)));
        return result;
    }

    static std::string Duration(std::chrono::milliseconds duration)
    {
        if (duration.count() % 1000 == 0)
            return std::to_string(duration.count() / 1000) + " s";
        return std::to_string(duration.count()) + " ms";
    }

    bool Running() const { return pid_ > 0; }

    // Signals the worker's own code raises when it goes wrong; any other
    // signal came from outside (kill, the OOM killer, a shutdown).
    static bool IsFault(int signal)
    {
        for (const int fault : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGSYS})
            if (signal == fault)
                return true;
        return false;
    }

    static std::string SignalName(int signal)
    {
        const char* abbreviation = ::sigabbrev_np(signal);
        return (abbreviation ? "SIG" + std::string(abbreviation) : "signal " + std::to_string(signal)) + " ("
               + ::strsignal(signal) + ")";
    }

    // The signal that stopped the worker (SIGSTOP, SIGTSTP...) when it is
    // stopped now; 0 when it runs or has ended.
    int StoppedBy() const
    {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WSTOPPED | WNOHANG | WNOWAIT) != 0 || info.si_pid == 0)
            return 0;
        return info.si_code == CLD_STOPPED ? info.si_status : 0;
    }

    bool Start()
    {
        int sockets[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
            return false;
        const pid_t pid = ::fork();
        if (pid < 0) {
            ::close(sockets[0]);
            ::close(sockets[1]);
            return false;
        }
        if (pid == 0) {
            // The worker shares the program's open files; it touches only its
            // socket and leaves with _exit, running none of the program's exit
            // handlers.
            ::close(sockets[0]);
            ServeCompiles(sockets[1]);
        }
        ::close(sockets[1]);
        socket_ = sockets[0];
        pid_ = pid;
        statm_ = "/proc/" + std::to_string(pid) + "/statm";
        return true;
    }

    // Kills the worker if it still runs; returns how it ended.
    int Stop()
    {
        int status = 0;
        if (socket_ >= 0)
            ::close(socket_);
        socket_ = -1;
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        pid_ = -1;
        return status;
    }

    std::mutex mutex_;
    int socket_ = -1;
    pid_t pid_ = -1;
    std::string statm_; // the worker's /proc/<pid>/statm
};

} // namespace

IsolatedResult CompileHlslIsolated(const CompileRequest& request, std::chrono::milliseconds timeLimit)
{
    // Never destroyed: the worker ends when the program's end closes the
    // socket.
    static Worker* worker = new Worker;
    return worker->Compile(request, timeLimit);
}

} // namespace hlsl
