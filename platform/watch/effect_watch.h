#pragma once

// `--watch`: a save of the effect file the program compiles, or of a file it
// includes, counts as a press of F5, so the program's own reload runs
// unchanged. The program ignores its command line; the platform reads the
// process's own (/proc/self/cmdline) to see the option. Without it nothing
// is watched and F5 alone reloads.
//
// inotify watches the folders that hold the files, not the files: an editor
// that saves by writing a new file and renaming it over the old one replaces
// the file a watch on it would follow. A write in place shows as the file
// closed after writing, a rename-save as a file moved in under the name.

#include <string>
#include <vector>

namespace effect_watch {

// Whether `--watch` was given (or a test turned watching on).
bool Requested();
// For the tests: watching on or off whatever the command line says.
void SetRequested(bool requested);

// The files of the effect the compiler is reading (relative to the working
// directory): the effect file and every file it includes. From now on these,
// and no others, are watched.
void WatchFiles(const std::vector<std::string>& paths);

// Whether a watched file was saved since the last call; never waits.
bool TakeSave();

} // namespace effect_watch
