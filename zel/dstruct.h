// Data structures: the string grid, checksums, digests and encodings.
#pragma once
