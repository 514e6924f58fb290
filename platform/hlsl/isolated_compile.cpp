#include "platform/hlsl/isolated_compile.h"

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

// ---- Messages between the program and the worker -----------------------------
// Each is a 32-bit little-endian length and that many bytes.

void PutU32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFFu);
}

void PutText(std::string& out, std::string_view text)
{
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

class Decoder {
public:
    explicit Decoder(std::string_view bytes) : bytes_(bytes) {}

    bool U32(std::uint32_t* value)
    {
        if (bytes_.size() < 4)
            return false;
        *value = 0;
        for (int i = 0; i < 4; ++i)
            *value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[i])) << (8 * i);
        bytes_.remove_prefix(4);
        return true;
    }
    bool Int(int* value)
    {
        std::uint32_t raw = 0;
        if (!U32(&raw) || raw > 0x7FFFFFFFu)
            return false;
        *value = static_cast<int>(raw);
        return true;
    }
    bool Text(std::string* text)
    {
        std::uint32_t size = 0;
        if (!U32(&size) || bytes_.size() < size)
            return false;
        text->assign(bytes_.substr(0, size));
        bytes_.remove_prefix(size);
        return true;
    }
    std::string_view Rest() const { return bytes_; }
    bool AtEnd() const { return bytes_.empty(); }

private:
    std::string_view bytes_;
};

// The request, and the program's working directory, which #include
// resolves against and the worker takes on for each compile.
std::string EncodeRequest(const CompileRequest& request)
{
    std::error_code ignored;
    std::string out;
    PutText(out, std::filesystem::current_path(ignored).string());
    PutText(out, request.file);
    PutText(out, request.source);
    PutText(out, request.entryPoint);
    PutText(out, request.profile);
    PutU32(out, static_cast<std::uint32_t>(request.macros.size()));
    for (const Macro& macro : request.macros) {
        PutText(out, macro.name);
        PutText(out, macro.definition);
    }
    return out;
}

std::optional<CompileRequest> DecodeRequest(std::string_view bytes, std::string* directory)
{
    Decoder in(bytes);
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
std::string EncodeResult(const CompileResult& result)
{
    std::string out;
    if (result.container) {
        out += 'C';
        const std::vector<std::uint8_t> bytes = SerializeContainer(*result.container);
        out.append(bytes.begin(), bytes.end());
        return out;
    }
    out += 'E';
    PutU32(out, static_cast<std::uint32_t>(result.errors.size()));
    for (const Diagnostic& error : result.errors) {
        PutText(out, error.position.file);
        PutU32(out, static_cast<std::uint32_t>(error.position.line));
        PutU32(out, static_cast<std::uint32_t>(error.position.column));
        PutText(out, error.message);
    }
    return out;
}

std::optional<CompileResult> DecodeResult(std::string_view bytes)
{
    if (bytes.empty())
        return std::nullopt;
    CompileResult result;
    const char kind = bytes.front();
    bytes.remove_prefix(1);
    if (kind == 'C') {
        result.container = ParseContainer({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        return result.container ? std::optional(std::move(result)) : std::nullopt;
    }
    Decoder in(bytes);
    std::uint32_t count = 0;
    if (kind != 'E' || !in.U32(&count) || count == 0)
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
bool SendMessage(int socket, std::string_view body)
{
    std::string frame;
    PutU32(frame, static_cast<std::uint32_t>(body.size()));
    frame += body;
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
    Decoder(header).U32(&size);
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
        std::string answer;
        try {
            answer = EncodeResult(CompileHlsl(*request));
        } catch (...) {
            _exit(2);
        }
        if (!SendMessage(socket, answer))
            _exit(0);
        // What a large file's compile freed goes back to the system, not kept
        // by glibc for a next compile that may never need it.
        ::malloc_trim(0);
    }
}

class Worker {
public:
    CompileResult Compile(const CompileRequest& request, std::chrono::milliseconds timeLimit)
    {
        const std::lock_guard lock(mutex_);
        const std::string message = EncodeRequest(request);
        // The memory limit is on what this compile adds to what the worker
        // held before it.
        std::size_t before = Running() ? ResidentBytes(statm_) : 0;
        // A worker that has gone since the last compile is replaced once.
        if (!Running() || !SendMessage(socket_, message)) {
            Stop();
            // A new worker begins as a copy of this process, with its pages.
            before = ResidentBytes("/proc/self/statm");
            if (!Start())
                return CompileHlsl(request);
            if (!SendMessage(socket_, message)) {
                Stop();
                return CompileHlsl(request);
            }
        }
        std::string answer;
        const Watch watch{Clock::now() + timeLimit, statm_, before + kCompileMemoryLimit};
        switch (ReceiveMessage(socket_, &answer, &watch)) {
        case Received::Message:
            if (std::optional<CompileResult> result = DecodeResult(answer))
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
    static CompileResult Failure(const CompileRequest& request, std::string message)
    {
        CompileResult result;
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

CompileResult CompileHlslIsolated(const CompileRequest& request, std::chrono::milliseconds timeLimit)
{
    // Never destroyed: the worker ends when the program's end closes the
    // socket.
    static Worker* worker = new Worker;
    return worker->Compile(request, timeLimit);
}

} // namespace hlsl
