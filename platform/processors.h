#pragma once

// The processors this process may run on (its affinity mask, as nproc counts), at least 1.
unsigned UsableProcessors();
