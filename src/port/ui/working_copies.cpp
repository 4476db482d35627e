#include "port/ui/working_copies.h"

namespace printune {

PortSettings& SerialWorkingCopy() {
    static PortSettings copy;
    return copy;
}

PortSettings& ParallelWorkingCopy() {
    static PortSettings copy;
    return copy;
}

} // namespace printune
