// Stream utilities: numbers, lines and strings on byte streams, the XML tag scanner, mixed file streams.
#pragma once
