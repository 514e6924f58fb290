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

// Deep enough for any real include tree; a cycle stops at the files seen.
constexpr int kMaxIncludeDepth = 32;

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

// The names of the #include lines of a source text, quoted or bracketed.
std::vector<std::string> IncludedNames(std::string_view text)
{
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        const auto skipSpace = [&line] {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
                line.remove_prefix(1);
        };
        skipSpace();
        if (!line.starts_with('#'))
            continue;
        line.remove_prefix(1);
        skipSpace();
        if (!line.starts_with("include"))
            continue;
        line.remove_prefix(7);
        skipSpace();
        if (line.empty() || (line.front() != '"' && line.front() != '<'))
            continue;
        const char close = line.front() == '"' ? '"' : '>';
        const std::size_t nameEnd = line.find(close, 1);
        if (nameEnd != std::string_view::npos && nameEnd > 1)
            names.emplace_back(line.substr(1, nameEnd - 1));
    }
    return names;
}

void WatchFolder(const std::string& folder)
{
    const int descriptor = ::inotify_add_watch(inotify, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    if (descriptor >= 0)
        folders[descriptor] = folder;
}

// Watches `file` and, through its text, the files it includes; an include
// is named relative to the file that includes it.
void WatchFile(const fs::path& file, std::string_view text, int depth)
{
    const std::string folder = file.parent_path().string();
    if (!files.emplace(folder, LowerCase(file.filename().string())).second || depth > kMaxIncludeDepth)
        return;
    WatchFolder(folder);
    for (const std::string& name : IncludedNames(text)) {
        const fs::path included = (file.parent_path() / name).lexically_normal();
        std::ifstream stream(included, std::ios::binary);
        const std::string includedText{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
        WatchFile(included, includedText, depth + 1);
    }
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

void NoteEffectFile(const std::string& path, std::string_view text)
{
    if (!Requested())
        return;
    if (inotify < 0 && (inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) < 0)
        return;
    std::error_code error;
    const fs::path file = fs::absolute(path, error).lexically_normal();
    if (error)
        return;
    // The includes may have changed with the text: the set starts afresh.
    // Folder watches stay; events in them for other names are passed over.
    files.clear();
    WatchFile(file, text, 0);
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
