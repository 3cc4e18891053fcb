// Stream utilities: numbers, lines and strings on byte streams, the XML tag scanner, mixed file
// streams.
#pragma once

#include "zel/streams/mixedfstream.h"
#include "zel/streams/primitives.h"
#include "zel/streams/xmltag.h"
