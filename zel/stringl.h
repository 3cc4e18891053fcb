// String utilities: character classes, editing, number formatting, searching and tokenising.
#pragma once
#include "zel/stringl/charclass.h"
#include "zel/stringl/extracting.h"
#include "zel/stringl/grep.h"
#include "zel/stringl/numformat.h"
#include "zel/stringl/searching.h"
#include "zel/stringl/strediting.h"
#include "zel/stringl/tagdetect.h"
#include "zel/stringl/textparse.h"
#include "zel/stringl/wordseps.h"
#include "zel/stringl/xmltag.h"
