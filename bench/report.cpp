#include "bench/report.h"

#include <algorithm>

namespace bench {

namespace {

std::FILE* results = nullptr;

} // namespace

std::FILE* Results()
{
    return results ? results : stdout;
}

void SetResults(std::FILE* stream)
{
    results = stream;
}

void Row(const std::string& benchmark, const std::string& figure, const std::string& median, const std::string& p99,
         const std::string& target)
{
    std::fprintf(Results(), "| %s | %s | %s | %s | %s |\n", benchmark.c_str(), figure.c_str(), median.c_str(),
                 p99.c_str(), target.c_str());
    std::fflush(Results());
}

void Note(const std::string& text)
{
    std::fprintf(Results(), "note: %s\n", text.c_str());
    std::fflush(Results());
}

std::string Verdict(const std::string& target, bool met)
{
    return target + (met ? ": met" : ": **not met**");
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

std::string FormatMs(double milliseconds)
{
    char text[32];
    if (milliseconds < 1)
        std::snprintf(text, sizeof text, "%.3f ms", milliseconds);
    else if (milliseconds < 100)
        std::snprintf(text, sizeof text, "%.2f ms", milliseconds);
    else
        std::snprintf(text, sizeof text, "%.0f ms", milliseconds);
    return text;
}

std::string FormatMiB(double mebibytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", mebibytes);
    return text;
}

} // namespace bench
