// HTML support: URL encoding and decoding, words of HTML text, entities,
// default page parts, body text and the template converter THtmlProducer.
#pragma once

#include "zel/htmlsupport/htmlhelpers.h"
#include "zel/htmlsupport/htmlproducer.h"
