#pragma once

// Test instruments of the Linux platform layer: a journal of calls, fault
// injection and live-object counts. The program never calls these; tests do.

#include "platform/include/wintypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace diagnostics {

// ---- Call journal --------------------------------------------------------
// Each layer operation records its name and key arguments while the journal
// is enabled. Arguments are written as "name=value" pairs separated by
// spaces; objects appear by their label (see ObjectLabel).

struct JournalEntry {
    std::string operation;
    std::string arguments;
};

void EnableJournal(bool enabled);
bool JournalEnabled();
void Record(std::string_view operation, std::string arguments = {});
std::vector<JournalEntry> TakeJournal();

// A stable, readable name for an object in journal entries: "null" for null,
// otherwise the interface name and a number given at creation
// ("ID3D11Buffer#3"). Objects register themselves when created.
std::string ObjectLabel(const void* object);
void NameObject(const void* object, std::string_view interfaceName);
void ForgetObject(const void* object);

// ---- Fault injection -------------------------------------------------------
// Makes the occurrence-th call (1 = the next one) of the named operation fail
// with the given result and a null output. Operation names are the Windows
// function or method names ("CreateTexture2D", "Direct3DCreate9", ...).

void InjectFault(std::string_view operation, int occurrence, HRESULT result);
void ClearFaults();
// Called by each operation on entry: true when this call is to fail.
bool ShouldFail(std::string_view operation, HRESULT* result);

// ---- Live objects --------------------------------------------------------

// With FXDEMO_LIVE_OBJECTS_AT_EXIT set in the environment, the process writes
// "live objects at exit: N" (and the interfaces still alive) to standard
// error as it exits.

void ObjectCreated(std::string_view interfaceName);
void ObjectDestroyed(std::string_view interfaceName);
int LiveObjects(std::string_view interfaceName);
int LiveObjects();

// Clears journal, faults and labels (not the live counts).
void Reset();

} // namespace diagnostics
