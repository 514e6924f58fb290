#pragma once

// What a benchmark prints: rows of the results table, in Markdown, and notes
// for under it. scripts/bench collects both from every benchmark into one
// table; anything else a benchmark prints is left out of it.

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// The stream rows and notes go to: standard output, or where it was before a
// program host moved it aside.
std::FILE* Results();
void SetResults(std::FILE* stream);

// One row: benchmark, figure, median, 99th percentile, target. Empty cells
// stay empty.
void Row(const std::string& benchmark, const std::string& figure, const std::string& median,
         const std::string& p99 = {}, const std::string& target = {});

// A line for the notes under the table ("note: ..." in the output).
void Note(const std::string& text);

// "within 10 %: met" and the like: the target and whether the figure meets it.
std::string Verdict(const std::string& target, bool met);

// The value at the given fraction of the sorted values (0.5: the median,
// 0.99: the 99th percentile), nearest rank; 0 for none.
double Percentile(std::vector<double> values, double fraction);

// "12.34 ms" with a precision that suits the value.
std::string FormatMs(double milliseconds);

// "120.6 MiB".
std::string FormatMiB(double mebibytes);

} // namespace bench
