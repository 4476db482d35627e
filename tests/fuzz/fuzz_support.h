#pragma once
// Shared by the harnesses that convert code pages. The engine opens an
// iconv descriptor per conversion; when the last one of a code page closes,
// glibc unloads its module, and the next conversion loads it again. One
// descriptor per code page held for the whole run keeps the modules loaded,
// so executions measure the parsers rather than dlopen.
#include "base/iconv.h"

namespace printune_fuzz {

inline void KeepCodePagesLoaded() {
    static printune::Iconv gbk("UTF-8", "GBK");
    static printune::Iconv latin("UTF-8", "WINDOWS-1252");
}

} // namespace printune_fuzz
