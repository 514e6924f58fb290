#include "platform/watch/effect_watch.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace effect_watch {

namespace {

namespace fs = std::filesystem;

std::optional<bool> requestedOverride;
int inotify = -1;
std::map<int, std::string> folders;               // watch descriptor -> folder
std::set<std::pair<std::string, std::string>> files; // folder, lower-case name

bool CommandLineHasWatch()
{
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    const std::string arguments{std::istreambuf_iterator<char>(cmdline), std::istreambuf_iterator<char>()};
    // NUL-separated; the first is the program's own name.
    std::size_t start = arguments.find('\0');
    while (start != std::string::npos && start + 1 < arguments.size()) {
        const std::size_t end = arguments.find('\0', start + 1);
        if (arguments.compare(start + 1, end - start - 1, "--watch") == 0)
            return true;
        start = end;
    }
    return false;
}

// File names compare without regard to case, as the compiler finds them.
std::string LowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void WatchFolder(const std::string& folder)
{
    const int descriptor = ::inotify_add_watch(inotify, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    if (descriptor >= 0)
        folders[descriptor] = folder;
}

} // namespace

bool Requested()
{
    static const bool onCommandLine = CommandLineHasWatch();
    return requestedOverride.value_or(onCommandLine);
}

void SetRequested(bool requested)
{
    requestedOverride = requested;
    if (!requested && inotify >= 0) {
        ::close(inotify);
        inotify = -1;
        folders.clear();
        files.clear();
    }
}

void WatchFiles(const std::vector<std::string>& paths)
{
    if (!Requested())
        return;
    if (inotify < 0 && (inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) < 0)
        return;
    // The includes may have changed with the text: the set starts afresh.
    // Folder watches stay; events in them for other names are passed over.
    files.clear();
    for (const std::string& path : paths) {
        std::error_code error;
        const fs::path file = fs::absolute(path, error).lexically_normal();
        if (error)
            continue;
        const std::string folder = file.parent_path().string();
        files.emplace(folder, LowerCase(file.filename().string()));
        WatchFolder(folder);
    }
}

bool TakeSave()
{
    if (inotify < 0)
        return false;
    bool saved = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(inotify, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const auto folder = folders.find(event->wd);
            if (event->len > 0 && folder != folders.end() && files.count({folder->second, LowerCase(event->name)}))
                saved = true;
        }
    }
    return saved;
}

} // namespace effect_watch
