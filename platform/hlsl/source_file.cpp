#include "platform/hlsl/source.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hlsl {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int Get() const { return fd_; }

private:
    int fd_;
};

SourceFile Unusable(std::string reason)
{
    SourceFile file;
    file.error = SourceError::Unusable;
    file.reason = std::move(reason);
    return file;
}

bool IsTextByte(unsigned char c)
{
    return c >= 0x20 || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string LowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The folder a name was looked for in, in full: a relative name is read
// from the working directory.
std::string DirectoryOf(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(path, error).parent_path();
    return error ? std::string("the working directory") : folder.lexically_normal().string();
}

// A byte order mark of either UTF-16, or ASCII text saved as UTF-16 without
// one: every other byte of the first characters is zero.
bool LooksLikeUtf16(std::string_view text)
{
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        return true;
    const std::size_t checked = std::min<std::size_t>(text.size() & ~std::size_t{1}, 64);
    if (checked == 0)
        return false;
    std::size_t evenZeros = 0, oddZeros = 0;
    for (std::size_t i = 0; i < checked; ++i)
        (i % 2 == 0 ? evenZeros : oddZeros) += text[i] == '\0';
    return (evenZeros == checked / 2 && oddZeros == 0) || (oddZeros == checked / 2 && evenZeros == 0);
}

} // namespace

SourceFile ReadSourceFile(const std::string& path)
{
    // Non-blocking, so that a pipe or device by that name cannot stall the open.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            SourceFile file;
            file.error = SourceError::NotFound;
            file.reason = "file not found in " + DirectoryOf(path);
            return file;
        }
        return Unusable(std::string("cannot open the file: ") + std::strerror(error));
    }

    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        return Unusable(std::string("cannot read the file: ") + std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return Unusable("is a directory, not a file");
    if (!S_ISREG(info.st_mode))
        return Unusable("is not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > kMaxSourceBytes)
        return Unusable("the file has " + std::to_string(info.st_size) + " bytes; the limit is 16 MiB");

    SourceFile file;
    file.text.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    // Read one byte past the expected size to notice a file that grew.
    char extra = 0;
    for (;;) {
        char* into = filled < file.text.size() ? file.text.data() + filled : &extra;
        const std::size_t room = filled < file.text.size() ? file.text.size() - filled : 1;
        const ssize_t got = ::read(fd.Get(), into, room);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Unusable(std::string("cannot read the file: ") + std::strerror(errno));
        if (got == 0)
            break;
        if (into == &extra)
            return Unusable("the file changed while it was read");
        filled += static_cast<std::size_t>(got);
    }
    file.text.resize(filled);

    if (file.text.starts_with("\xEF\xBB\xBF"))
        file.text.erase(0, 3);
    if (file.text.empty())
        return Unusable("the file is empty");

    if (LooksLikeUtf16(file.text))
        return Unusable("the file looks like UTF-16 text: save it as UTF-8 or ANSI");

    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < file.text.size(); ++i) {
        const auto c = static_cast<unsigned char>(file.text[i]);
        if (c == '\n') {
            ++line;
            lineStart = i + 1;
        } else if (!IsTextByte(c)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", c);
            SourceFile binary = Unusable(std::string("the file is not text: it holds the byte ") + hex);
            binary.line = line;
            binary.column = static_cast<int>(i - lineStart) + 1;
            return binary;
        }
    }
    return file;
}

std::string ResolveNameCase(const std::string& name)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(name, error))
        return name;
    fs::path resolved;
    for (const fs::path& part : fs::path(name)) {
        if (part.empty())
            continue;
        const fs::path exact = resolved / part;
        if (part == "." || part == ".." || part == exact.root_path() || fs::exists(exact, error)) {
            resolved = exact;
            continue;
        }
        const std::string wanted = LowerCase(part.string());
        std::optional<std::string> match;
        const fs::path folder = resolved.empty() ? fs::path(".") : resolved;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            const std::string entry = it->path().filename().string();
            if (LowerCase(entry) == wanted && (!match || entry < *match))
                match = entry;
        }
        if (!match)
            return name;
        resolved /= *match;
    }
    return resolved.generic_string();
}

} // namespace hlsl
