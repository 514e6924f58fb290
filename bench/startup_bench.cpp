// Start-up to the first presented frame, and peak resident memory, of the
// real executable.
//
// Each run starts fxdemo as a child process from a scratch directory holding
// a copy of shaders/main.fx, headless (SDL's offscreen driver unless
// SDL_VIDEODRIVER says otherwise), with present_probe preloaded: the probe
// reports when the program's libraries are loaded, when the window and the GL
// context exist, and when the first frame has been presented (after the first
// swap and a glFinish), and closes the window a few frames later, so the
// program ends normally. Start-up runs from just before the child is spawned.
// The peak resident memory is the child's (wait4's ru_maxrss); the compiler's
// worker, a process of its own, is reported beside it.
//
// Mesa keeps the machine code it generates for shaders in an on-disk cache;
// a first run fills it. The counted runs find it filled, as every run after a
// user's first does; a few more runs go without it.
//
//   startup_bench [runs]    (default 10, and 3 without the shader cache)

#include "bench/report.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

long long MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Run {
    bool ok = false;
    // Milliseconds from the spawn to each moment the probe reports.
    double loadedMs = 0, windowMs = 0, contextMs = 0, presentedMs = 0;
    double peakMiB = 0;
    double workerPeakMiB = -1;
};

Run RunOnce(int frames, const std::vector<std::string>& extraEnvironment)
{
    Run run;
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return run;
    // The child's end must survive exec.
    const int childEnd = dup(report[1]);
    close(report[1]);

    std::vector<std::string> variables;
    std::string preload = FXDEMO_PRESENT_PROBE;
    for (char** variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        if (text.rfind("LD_PRELOAD=", 0) == 0)
            preload += " " + text.substr(11);
        else if (text.rfind("FXDEMO_BENCH_", 0) != 0)
            variables.push_back(text);
    }
    variables.push_back("LD_PRELOAD=" + preload);
    variables.push_back("FXDEMO_BENCH_PROBE_FD=" + std::to_string(childEnd));
    variables.push_back("FXDEMO_BENCH_FRAMES=" + std::to_string(frames));
    variables.insert(variables.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> environment;
    for (std::string& text : variables)
        environment.push_back(text.data());
    environment.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string executable = FXDEMO_EXECUTABLE;
    char* arguments[] = {executable.data(), nullptr};

    pid_t child = 0;
    const long long spawned = MonotonicNs();
    const int spawnError = posix_spawn(&child, executable.c_str(), &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    close(childEnd);
    if (spawnError != 0) {
        close(report[0]);
        std::fprintf(stderr, "startup_bench: cannot start %s\n", executable.c_str());
        return run;
    }

    // Read the probe's lines until the last one has come, the pipe closes,
    // or a generous limit passes.
    std::string received;
    long long loaded = -1, window = -1, context = -1, presented = -1;
    long workerKiB = -1;
    bool closing = false;
    const long long deadline = MonotonicNs() + 60'000'000'000LL;
    for (;;) {
        const long long left = (deadline - MonotonicNs()) / 1'000'000;
        if (left <= 0)
            break;
        pollfd ready{report[0], POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left)) <= 0)
            break;
        char buffer[256];
        const ssize_t n = read(report[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        received.append(buffer, static_cast<std::size_t>(n));
        // Whole lines only.
        std::istringstream lines(received.substr(0, received.rfind('\n') + 1));
        for (std::string key; lines >> key;) {
            if (key == "loaded")
                lines >> loaded;
            else if (key == "window")
                lines >> window;
            else if (key == "context")
                lines >> context;
            else if (key == "present")
                lines >> presented;
            else if (key == "worker")
                closing = static_cast<bool>(lines >> workerKiB);
        }
        if (closing)
            break;
    }
    close(report[0]);
    if (!closing)
        kill(child, SIGKILL);

    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.ok = loaded >= 0 && window >= 0 && context >= 0 && presented >= 0 && WIFEXITED(status)
          && WEXITSTATUS(status) == 0;
    const auto since = [&](long long moment) { return static_cast<double>(moment - spawned) / 1e6; };
    run.loadedMs = since(loaded);
    run.windowMs = since(window);
    run.contextMs = since(context);
    run.presentedMs = since(presented);
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.workerPeakMiB = workerKiB >= 0 ? static_cast<double>(workerKiB) / 1024.0 : -1;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    constexpr int kUncachedRuns = 3;
    constexpr int kFrames = 10;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);

    char pattern[] = "/tmp/fxdemo-startup-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path scratch = pattern;
    fs::copy_file(fs::path(FXDEMO_SHADERS_DIR) / "main.fx", scratch / "main.fx");
    fs::current_path(scratch);

    // One run first, not counted: it fills the page cache and Mesa's shader
    // cache.
    RunOnce(kFrames, {});
    std::vector<double> whole, loading, window, context, firstFrame, peak, workerPeak, uncached;
    int failed = 0;
    for (int i = 0; i < runs + kUncachedRuns; ++i) {
        const bool cached = i < runs;
        const Run run = RunOnce(kFrames, cached ? std::vector<std::string>{}
                                                : std::vector<std::string>{"MESA_SHADER_CACHE_DISABLE=true"});
        if (!run.ok) {
            ++failed;
            continue;
        }
        if (!cached) {
            uncached.push_back(run.presentedMs);
            continue;
        }
        whole.push_back(run.presentedMs);
        loading.push_back(run.loadedMs);
        window.push_back(run.windowMs - run.loadedMs);
        context.push_back(run.contextMs - run.windowMs);
        firstFrame.push_back(run.presentedMs - run.contextMs);
        peak.push_back(run.peakMiB);
        if (run.workerPeakMiB >= 0)
            workerPeak.push_back(run.workerPeakMiB);
    }
    fs::current_path(scratch.parent_path());
    fs::remove_all(scratch);
    if (whole.empty()) {
        std::fprintf(stderr, "startup_bench: no run presented a frame\n");
        return 1;
    }

    const std::string name = "Start-up: fxdemo, spawn to first presented frame";
    const auto row = [](const std::string& benchmark, const std::string& figure, const std::vector<double>& values) {
        if (!values.empty())
            bench::Row(benchmark, figure, bench::FormatMs(bench::Percentile(values, 0.5)),
                       bench::FormatMs(bench::Percentile(values, 0.99)));
    };
    row(name, "whole start-up", whole);
    row(name, "1. exec, loading the linked libraries", loading);
    row(name, "2. then to the window (SDL video, CreateWindowExA)", window);
    row(name, "3. then to the GL context (EGL, Mesa llvmpipe)", context);
    row(name, "4. then to the first frame presented (device objects, first load, first frame)", firstFrame);
    row(name, "whole start-up, Mesa's shader cache off", uncached);
    const std::string memory = "Peak resident memory: fxdemo, " + std::to_string(kFrames) + " frames";
    bench::Row(memory, "program process (ru_maxrss)", bench::FormatMiB(bench::Percentile(peak, 0.5)),
               bench::FormatMiB(bench::Percentile(peak, 0.99)));
    if (!workerPeak.empty())
        bench::Row(memory, "compiler worker process (VmHWM)",
                   bench::FormatMiB(bench::Percentile(workerPeak, 0.5)),
                   bench::FormatMiB(bench::Percentile(workerPeak, 0.99)));
    bench::Note("start-up: " + std::to_string(whole.size()) + " runs of the real executable, and "
                + std::to_string(uncached.size()) + " without the shader cache"
                + (failed ? ", " + std::to_string(failed) + " failed" : std::string())
                + "; with so few runs the 99th percentile column is the slowest run");
    return failed ? 1 : 0;
}
