#pragma once
// What this process holds right now, for tests that prove an operation
// leaves nothing behind: open descriptors and threads.

namespace printune_test {

// Entries of /proc/self/fd (the directory stream itself not counted).
int OpenDescriptorCount();
// Entries of /proc/self/task.
int ThreadCount();

} // namespace printune_test
