#include "support/process_counts.h"

#include <dirent.h>

namespace printune_test {

namespace {

int EntriesOf(const char* path) {
    int n = 0;
    if (DIR* d = opendir(path)) {
        while (dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

} // namespace

int OpenDescriptorCount() {
    return EntriesOf("/proc/self/fd") - 1; // the directory stream itself
}

int ThreadCount() {
    return EntriesOf("/proc/self/task");
}

} // namespace printune_test
