// File-system services: text files.
#pragma once

#include "zel/filesys/textfiles.h"
