// Tests that play a crash of something a child process started (an office
// behind the spreadsheet helper): find the child by its command line and kill
// the rest of its process group, as a crash would.
#pragma once

namespace support_testing {

// Kills (SIGKILL) every process of the process groups led by children of this
// process whose command line contains `needle`, except those children, and
// waits up to 10 s until they are gone. Returns how many were killed.
int KillChildGroupMembers(const char* needle);

// True while a child of this process whose command line contains `needle` runs.
bool ChildRuns(const char* needle);

} // namespace support_testing
