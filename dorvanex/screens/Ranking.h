// The ranking: stand-in until the front-end screens and the ranking land. There are no
// pending upload entries to clear.
#pragma once

inline void clearPendingRankEntries() {}
