#pragma once
// The vectorised probe scans of each vector width (ProbeHits chooses among them): the scan for
// the kinds of two probes in one direction; null for a backward scan of a range.

#include "service/document/search/ProbeHits.h"

namespace tessel {

namespace probe_sse2 {
ProbeHits::Kernel kernel(ProbeKind nearKind, ProbeKind farKind, bool backward);
}

namespace probe_avx2 {
ProbeHits::Kernel kernel(ProbeKind nearKind, ProbeKind farKind, bool backward);
}

} // namespace tessel
