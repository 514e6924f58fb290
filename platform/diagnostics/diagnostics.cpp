#include "platform/diagnostics/diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <unordered_map>

namespace diagnostics {

namespace {

struct Fault {
    std::string operation;
    int remainingCalls; // fails when this reaches 1 on entry
    HRESULT result;
};

struct State {
    bool journalEnabled = false;
    std::vector<JournalEntry> journal;
    std::vector<Fault> faults;
    std::map<std::string, int, std::less<>> live;
    std::unordered_map<const void*, std::string> labels;
    std::map<std::string, int, std::less<>> labelCounters;
};

// With FXDEMO_LIVE_OBJECTS_AT_EXIT set, the process writes one line to
// standard error as it exits: the number of layer objects still alive, and of
// which interfaces. Registered once the state exists, so it runs before the
// state is destroyed.
void ReportLiveObjectsAtExit();

State& Instance()
{
    static State state;
    static const bool registered = std::getenv("FXDEMO_LIVE_OBJECTS_AT_EXIT") != nullptr
                                   && std::atexit(ReportLiveObjectsAtExit) == 0;
    (void)registered;
    return state;
}

void ReportLiveObjectsAtExit()
{
    std::string which;
    for (const auto& [name, count] : Instance().live) {
        if (count == 0)
            continue;
        which += which.empty() ? " (" : ", ";
        which += name + " " + std::to_string(count);
    }
    std::fprintf(stderr, "live objects at exit: %d%s\n", LiveObjects(), which.empty() ? "" : (which + ")").c_str());
}

} // namespace

void EnableJournal(bool enabled)
{
    Instance().journalEnabled = enabled;
}

bool JournalEnabled()
{
    return Instance().journalEnabled;
}

void Record(std::string_view operation, std::string arguments)
{
    State& s = Instance();
    if (s.journalEnabled)
        s.journal.push_back({std::string(operation), std::move(arguments)});
}

std::vector<JournalEntry> TakeJournal()
{
    return std::move(Instance().journal);
}

std::string ObjectLabel(const void* object)
{
    if (!object)
        return "null";
    const State& s = Instance();
    const auto found = s.labels.find(object);
    return found != s.labels.end() ? found->second : "unknown";
}

void NameObject(const void* object, std::string_view interfaceName)
{
    State& s = Instance();
    auto counter = s.labelCounters.find(interfaceName);
    if (counter == s.labelCounters.end())
        counter = s.labelCounters.emplace(std::string(interfaceName), 0).first;
    s.labels[object] = std::string(interfaceName) + "#" + std::to_string(++counter->second);
}

void ForgetObject(const void* object)
{
    Instance().labels.erase(object);
}

void InjectFault(std::string_view operation, int occurrence, HRESULT result)
{
    Instance().faults.push_back({std::string(operation), occurrence, result});
}

void ClearFaults()
{
    Instance().faults.clear();
}

bool ShouldFail(std::string_view operation, HRESULT* result)
{
    State& s = Instance();
    bool fail = false;
    for (auto it = s.faults.begin(); it != s.faults.end();) {
        if (it->operation != operation) {
            ++it;
            continue;
        }
        if (it->remainingCalls <= 1) {
            if (!fail && result)
                *result = it->result;
            fail = true;
            it = s.faults.erase(it);
        } else {
            --it->remainingCalls;
            ++it;
        }
    }
    return fail;
}

void ObjectCreated(std::string_view interfaceName)
{
    State& s = Instance();
    auto found = s.live.find(interfaceName);
    if (found == s.live.end())
        found = s.live.emplace(std::string(interfaceName), 0).first;
    ++found->second;
}

void ObjectDestroyed(std::string_view interfaceName)
{
    State& s = Instance();
    const auto found = s.live.find(interfaceName);
    if (found != s.live.end())
        --found->second;
}

int LiveObjects(std::string_view interfaceName)
{
    const State& s = Instance();
    const auto found = s.live.find(interfaceName);
    return found != s.live.end() ? found->second : 0;
}

int LiveObjects()
{
    int total = 0;
    for (const auto& [name, count] : Instance().live)
        total += count;
    return total;
}

void Reset()
{
    State& s = Instance();
    s.journalEnabled = false;
    s.journal.clear();
    s.faults.clear();
    s.labelCounters.clear();
}

} // namespace diagnostics
