#pragma once
// A scripted serial line for unit tests: the platform calls of the serial
// unit, served from a queue that the test fills. The clock advances one
// millisecond per reading, so a time-out runs without waiting.
#include <cstdint>
#include <string>

namespace fake_line {

void Reset();                            // empty queue, queries succeed, clock at 0
// Reset, then the port opened and reception as a library has them right
// after load (nothing buffered, LastChar NUL). Device state is the caller's.
void StartAsLoaded();
void Arrive(const std::string& bytes);   // bytes received by the driver
size_t Queued();                         // bytes still waiting
void FailQueries(bool fail);             // ClearCommError-style query fails
void FailQueriesAfter(int successes);    // the next successes queries answer, then all fail
void FailReads(bool fail);               // one-byte reads return nothing
void SetClock(uint32_t ms);
uint32_t Now();                          // the clock, without advancing it

extern std::string OpenedName;           // what the last open was given
extern std::string OpenedSettings;
extern int Opens;
extern int Closes;
extern int Queries;                      // input-queue queries made
extern int Reads;                        // one-byte reads made
extern bool OpenFails;                   // next open gives NoHandle

}  // namespace fake_line
