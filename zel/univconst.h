// Mathematical constants: extended-precision values and the ln(n!) table.
#pragma once
