// String utilities: character classes, editing, number formatting, searching and tokenising.
#pragma once
#include "zel/stringl/xmltag.h"
