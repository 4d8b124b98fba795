// What the fuzz targets check with: a broken rule stops the run as a finding.
#pragma once

inline void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}
